#pragma once
// An environment variable set for one test, as it was afterwards.

#include <cstdlib>
#include <optional>
#include <string>

namespace zv318::testing {

class EnvironmentSetting {
public:
    EnvironmentSetting(const char* name, const std::string& value) : name_(name) {
        if (const char* was = std::getenv(name)) was_ = was;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvironmentSetting() {
        if (was_)
            ::setenv(name_, was_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvironmentSetting(const EnvironmentSetting&) = delete;
    EnvironmentSetting& operator=(const EnvironmentSetting&) = delete;

private:
    const char* name_;
    std::optional<std::string> was_;
};

}  // namespace zv318::testing
