#pragma once
// Sets an environment variable for one test and puts the old value back.
#include <qglobal.h>

#include <QByteArray>
#include <optional>
#include <string>

namespace drydock::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) saved_ = qgetenv(name);
    qputenv(name, QByteArray::fromStdString(value));
  }
  ~ScopedEnv() { saved_ ? qputenv(name_, *saved_) : qunsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<QByteArray> saved_;
};

}  // namespace drydock::test
