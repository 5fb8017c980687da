#pragma once
// An environment variable set for the life of the object and put back as
// it was (or removed again) after it. A null value removes the variable for
// that time.

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value) : CScopedEnv(name, value.c_str()) {}
    CScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~CScopedEnv() {
        if (old_) {
            setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace testsupport
