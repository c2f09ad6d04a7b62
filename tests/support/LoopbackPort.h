#pragma once

// A loopback port that nothing listens on (bound by the system's choice, then released).
int closedLoopbackPort();
