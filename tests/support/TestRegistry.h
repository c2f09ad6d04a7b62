#pragma once
// Each test file registers its Qt Test classes; the folder's one executable runs them all.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<std::pair<const char*, TestFactory>>& registeredTests();

struct TestRegistration {
    TestRegistration(const char* name, TestFactory factory)
    {
        registeredTests().emplace_back(name, std::move(factory));
    }
};

} // namespace testsupport

#define TV_REGISTER_TEST(Class)                                                                    \
    static const testsupport::TestRegistration tv_registration_##Class(                            \
        #Class, [] { return std::unique_ptr<QObject>(new Class); })
