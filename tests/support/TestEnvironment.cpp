#include "TestEnvironment.h"

#include "Application.h"

namespace testsupport {
void prepareTestEnvironment()
{
    application->initialize();
    application->setTitle(QStringLiteral("Tallyvane"));
}
} // namespace testsupport
