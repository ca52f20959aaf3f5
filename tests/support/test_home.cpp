// Every test program runs with a home folder of its own: HOME and the XDG data (the trash), cache (the writer
// locks) and configuration folders point into a fresh temporary folder before the first test, for the program
// and every program it starts (they inherit the environment), so that no test moves anything into the user's own
// trash or leaves locks in the user's cache, whether it runs under CTest or by hand. A Wine prefix the user named
// is forgotten too, so the registry is looked for in the test's home only. A test that looks at the trash still
// gives its own folders. The folder goes when the program ends. When it cannot be made, the program stops at
// once rather than run on the user's own folders.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace {

void Set(const char* name, const std::filesystem::path& value) {
#ifdef _WIN32
  _putenv_s(name, value.string().c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

[[noreturn]] void Stop(const std::string& why) {
  std::fprintf(stderr, "no home folder for the tests: %s\n", why.c_str());
  std::fflush(stderr);
  std::_Exit(2);
}

class TestHome {
 public:
  TestHome() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) Stop("no temporary folder: " + ec.message());
    std::random_device seed;
    root_ = base / ("drydock-test-home-" + std::to_string(seed()));
    if (!std::filesystem::create_directories(root_, ec)) Stop(root_.string() + ": " + ec.message());
    Set("HOME", root_);
    Set("XDG_DATA_HOME", root_ / "data");
    Set("XDG_CACHE_HOME", root_ / "cache");
    Set("XDG_CONFIG_HOME", root_ / "config");
#ifndef _WIN32
    ::unsetenv("WINEPREFIX");
#endif
  }
  ~TestHome() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TestHome(const TestHome&) = delete;
  TestHome& operator=(const TestHome&) = delete;

 private:
  std::filesystem::path root_;
};

const TestHome kTestHome;

}  // namespace
