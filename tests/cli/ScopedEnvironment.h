#pragma once
// Sets an environment variable for one test and puts the old value back.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class ScopedEnvironment {
public:
    // An empty value unsets the variable; the time zone is read again either way.
    ScopedEnvironment(const char *name, const std::string &value) : name_(name) {
        if (const char *old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_.value_or("")); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    void Set(const std::string &value) {
#ifdef _WIN32
        ::_putenv_s(name_, value.c_str());
        ::_tzset();
#else
        if (value.empty())
            ::unsetenv(name_);
        else
            ::setenv(name_, value.c_str(), 1);
        ::tzset();
#endif
    }

    const char *name_;
    std::optional<std::string> old_;
};
