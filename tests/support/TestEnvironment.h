#pragma once

namespace testsupport {
// Font substitutions and the application title, as the program sets them up.
void prepareTestEnvironment();
} // namespace testsupport
