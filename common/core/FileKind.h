#pragma once
#include <QString>
#include <sys/types.h>

// What a file that is no regular file is, for a message: "a named pipe", "a directory", ...
QString fileKind(mode_t mode);
