// A program for tests that start programs: it writes how it was started, one
// item a line (UTF-8, '\n'): its working folder, each argument after its own
// name, and the value of DRYDOCK_REPORT_VAR ("(unset)" without one). The
// report goes to the file DRYDOCK_REPORT_FILE names, else beside the program
// as "started.txt", so that it is found whatever the working folder was. With
// DRYDOCK_REPORT_WAIT set it then stays that many seconds. Built for Windows,
// it stands in for the game's Armada2.exe.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

#ifdef _WIN32
std::string Variable(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return "(unset)";
  value.resize(n);
  return Utf8(fs::path(value));
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  fs::path self;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8(fs::path(wide[i])));
  LocalFree(wide);
  std::wstring module(32768, L'\0');
  module.resize(GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size())));
  self = module;
  const std::string variable = Variable(L"DRYDOCK_REPORT_VAR");
  const std::string file = Variable(L"DRYDOCK_REPORT_FILE");
  const std::string wait = Variable(L"DRYDOCK_REPORT_WAIT");
#else
  arguments.assign(argv + 1, argv + argc);
  self = fs::read_symlink("/proc/self/exe");
  const auto get = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value ? value : "(unset)";
  };
  const std::string variable = get("DRYDOCK_REPORT_VAR");
  const std::string file = get("DRYDOCK_REPORT_FILE");
  const std::string wait = get("DRYDOCK_REPORT_WAIT");
#endif
  const auto set = [](const std::string& value) { return value != "(unset)"; };
  std::string report = Utf8(fs::current_path()) + '\n';
  for (const std::string& argument : arguments) report += argument + '\n';
  report += variable + '\n';
  const fs::path target =
      set(file) ? fs::path(std::u8string(file.begin(), file.end())) : self.parent_path() / "started.txt";
  // Written under another name first, so that a reader never sees half a report.
  {
    std::ofstream out(fs::path(target).concat(".part"), std::ios::binary);
    out << report;
  }
  fs::rename(fs::path(target).concat(".part"), target);
  if (set(wait)) std::this_thread::sleep_for(std::chrono::seconds(std::stoi(wait)));
  return 0;
}
