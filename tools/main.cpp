// scenario-tool: the scenario author's companion. It compiles sources into
// the binary files exactly as the run does, checks sources for every mistake
// at once, exports the embedded scenario, decodes, checks, draws and compares
// binary files. All of it is the library's (commands/run_tool.h); this file
// prepares the process and hands it its arguments as UTF-8, standard output
// and standard error.
//
// On Windows the program starts from the wide command line (wmain, linked
// with -municode), so that a path in any script reaches it whole. What it
// prints stays UTF-8 bytes on both systems, as the paths it names are: a
// console set to another code page shows those letters wrongly, a file or a
// pipe gets them exactly.
#include <iostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "commands/run_tool.h"
#include "platform/exit_status.h"
#include "platform/platform_error.h"
#include "platform/process.h"
#include "platform/text_sink.h"

namespace {

// Standard output through a buffer of its own, so that a write that fails
// (a full disk, /dev/full) throws at once instead of being dropped by the
// stream: the output is the command's result, and a truncated one must not
// end with status 0.
class stdout_buffer final : public std::streambuf {
 public:
  explicit stdout_buffer(scen::text_sink& destination) : destination_(destination) {
    setp(block_, block_ + sizeof block_);
  }

 protected:
  int_type overflow(int_type c) override {
    drain();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    drain();
    return 0;
  }

 private:
  void drain() {
    const std::string_view text(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(block_, block_ + sizeof block_);
    destination_.write(text);
  }

  scen::text_sink& destination_;
  char block_[1 << 16];
};

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  scen::prepare_process();
  const std::vector<std::string> arguments = scen::utf8_arguments(argc, argv);
  std::vector<const char*> utf8_argv;
  for (const std::string& a : arguments) utf8_argv.push_back(a.c_str());
  utf8_argv.push_back(nullptr);
  scen::stdout_sink real_stdout;
  stdout_buffer buffer(real_stdout);
  std::ostream out(&buffer);
  // The buffer's platform_error passes through the stream as it is.
  out.exceptions(std::ios::badbit);
  try {
    const int status = scen::tool::run_tool(argc, utf8_argv.data(), out, std::cerr);
    // A stream that failed has told so already, through the command's status.
    if (!out.bad()) out.flush();
    return status;
  } catch (const scen::platform_error& e) {
    // Standard output failed while an error was being told on it.
    std::cerr << "scenario-tool: " << e.what() << '\n';
    return scen::exit_status::failure;
  } catch (const std::ios_base::failure&) {
    // Written to after it failed: the failure was told when it happened.
    return scen::exit_status::failure;
  }
}
