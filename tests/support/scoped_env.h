#pragma once
// Sets an environment variable for one test and puts the old value back.
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/names.h"

namespace drydock::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name), saved_(platform::GetEnv(name)) {
    Set(name, value);
  }
  // Removes the variable for the test's time.
  ScopedEnv(const char* name, std::nullopt_t) : name_(name), saved_(platform::GetEnv(name)) { Unset(name); }
  ~ScopedEnv() { saved_ ? Set(name_, *saved_) : Unset(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
#ifdef _WIN32
  // Wide, so that a value outside the ANSI code page arrives whole; the C runtime passes it on to the system.
  static void Set(const char* name, const std::string& value) {
    (void)_wputenv_s(platform::PathFromUtf8(name).c_str(), platform::PathFromUtf8(value).c_str());
  }
  // An empty value removes the variable.
  static void Unset(const char* name) { (void)_wputenv_s(platform::PathFromUtf8(name).c_str(), L""); }
#else
  static void Set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
  static void Unset(const char* name) { ::unsetenv(name); }
#endif

  const char* name_;
  std::optional<std::string> saved_;
};

}  // namespace drydock::test
