#include "TestEnvironment.h"

#include "Application.h"

namespace testsupport {
void prepareTestEnvironment()
{
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Tallyvane"));
}
} // namespace testsupport
