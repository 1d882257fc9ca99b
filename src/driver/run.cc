#include "driver/run.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "driver/command_line.h"
#include "driver/messages.h"
#include "driver/output_file.h"
#include "driver/platform.h"

namespace driver {

namespace {

namespace fs = std::filesystem;

Outcome failure_of(const gdb::ByteReader& in) {
  return in.status() == gdb::ReadStatus::read_error
             ? Outcome::read_error
             : Outcome::truncated_or_corrupt;
}

const char* message_of(Outcome outcome) {
  switch (outcome) {
    case Outcome::converted:
      return DONE_MESSAGE;
    case Outcome::not_gdb:
      return NOT_GDB_MESSAGE;
    case Outcome::truncated_or_corrupt:
      return TRUNCATED_MESSAGE;
    case Outcome::read_error:
      return CANT_READ_INPUT_MESSAGE;
    case Outcome::write_error:
      return CANT_WRITE_OUTPUT_MESSAGE;
  }
  return "";
}

// Opens the input for reading; nothing for a directory, which some systems
// let fopen open.
std::FILE* open_input(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return nullptr;
  return open_file(path, "rb");
}

class InputFile {
 public:
  explicit InputFile(std::FILE* file) : file_(file) {}
  ~InputFile() { close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  std::FILE* get() const { return file_; }
  void close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  std::FILE* file_;
};

}  // namespace

bool process_record(gdb::ByteReader& in, gdb::ByteWriter& out,
                    convert::ConversionContext& context, uint8_t& type) {
  gdb::RecordHeader header;
  if (!gdb::read_record_header(in, header)) return false;
  type = header.type;
  if (header.type == gdb::ROUTE_RECORD) {
    return convert::convert_route(in, out, header.length, context);
  }
  return gdb::copy_record(in, out, header);
}

Outcome convert_stream(gdb::ByteReader& in, gdb::ByteWriter& out,
                       convert::ConversionContext& context) {
  if (!gdb::copy_preamble(in, out, context.version)) {
    return in.status() == gdb::ReadStatus::read_error ? Outcome::read_error
                                                      : Outcome::not_gdb;
  }
  uint8_t type = 0;
  while (type != gdb::END_RECORD) {
    if (!process_record(in, out, context, type)) return failure_of(in);
    // A failed write cannot be undone: stop reading.
    if (out.failed()) return Outcome::write_error;
  }
  return Outcome::converted;
}

namespace {

// Converts the named input into the named output; returns the exit status.
int convert_files(const FileNames& names, const convert::TrackOptions& options,
                  std::ostream& messages) {
  InputFile input(open_input(path_from_utf8(names.input)));
  if (!input.get()) {
    messages << CANT_OPEN_INPUT_MESSAGE;
    return EXIT_FAILED;
  }
  OutputFile output;
  if (!output.open(path_from_utf8(names.output))) {
    messages << CANT_OPEN_OUTPUT_MESSAGE;
    return EXIT_FAILED;
  }
  std::setvbuf(input.get(), nullptr, _IONBF, 0);
  std::setvbuf(output.stream(), nullptr, _IONBF, 0);

  gdb::FileSource source(input.get());
  gdb::ByteReader reader(source);
  gdb::FileSink sink(output.stream());
  gdb::ByteWriter writer(sink);
  convert::ConversionContext context;
  context.options = options;
  context.messages = &messages;

  Outcome outcome = convert_stream(reader, writer, context);
  // The input is closed before the output replaces it: some systems cannot
  // replace a file that is still open.
  input.close();
  if (outcome == Outcome::converted && !(writer.flush() && output.commit())) {
    outcome = Outcome::write_error;
  }
  messages << message_of(outcome);
  return outcome == Outcome::converted ? EXIT_OK : EXIT_FAILED;
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& messages) {
  CommandLine command_line = parse_command_line(argc, argv);
  switch (command_line.request) {
    case Request::usage_error:
      messages << command_line.problem << USAGE_MESSAGE;
      return EXIT_USAGE;
    case Request::help:
      messages << USAGE_MESSAGE << HELP_OPTIONS;
      return EXIT_OK;
    case Request::version:
      messages << VERSION_PREFIX << RTETRK_VERSION << '\n';
      return EXIT_OK;
    case Request::convert:
      break;
  }
  // An exception unwinds through the files, which removes the temporary
  // output, before it is reported here.
  try {
    return convert_files(command_line.files, command_line.options, messages);
  } catch (const std::bad_alloc&) {
    messages << OUT_OF_MEMORY_MESSAGE;
  } catch (const std::length_error&) {  // a string longer than memory allows
    messages << OUT_OF_MEMORY_MESSAGE;
  } catch (const std::exception& error) {
    messages << UNEXPECTED_ERROR_MESSAGE << error.what() << '\n';
  }
  return EXIT_FAILED;
}

}  // namespace driver
