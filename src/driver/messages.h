// The texts that the tool prints on standard output, and its exit statuses.

#ifndef RTETRK_DRIVER_MESSAGES_H_
#define RTETRK_DRIVER_MESSAGES_H_

namespace driver {

constexpr char USAGE_MESSAGE[] = "Usage = rtetrk infile[.gdb] outfile[.gdb]\n";
constexpr char HELP_OPTIONS[] =
    "  --max-points N  keep at most N positions in a track, from 2 to 1000000"
    " (default 10000)\n"
    "  --split         make a longer route into several connected tracks\n"
    "  --simplify      make a longer route into one track that keeps its"
    " shape\n"
    "  --keep-routes   keep each route and put its tracks after it\n"
    "  -h, --help      print this help and exit\n"
    "  --version       print the version and exit\n"
    "  --              end the options; a file name may then begin with"
    " '-'\n";
constexpr char VERSION_PREFIX[] = "rtetrk ";
constexpr char CANT_OPEN_INPUT_MESSAGE[] = "Can't open input file\n";
constexpr char CANT_OPEN_OUTPUT_MESSAGE[] = "Can't open output file\n";
constexpr char NOT_GDB_MESSAGE[] = "Input file not in GDB format\n";
constexpr char TRUNCATED_MESSAGE[] = "Input file is truncated or corrupt\n";
constexpr char CANT_READ_INPUT_MESSAGE[] = "Can't read input file\n";
constexpr char CANT_WRITE_OUTPUT_MESSAGE[] = "Can't write output file\n";
constexpr char OUT_OF_MEMORY_MESSAGE[] = "Not enough memory\n";
constexpr char UNEXPECTED_ERROR_MESSAGE[] = "Unexpected error: ";
constexpr char DONE_MESSAGE[] = "Route->Track conversion done!\n";

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

}  // namespace driver

#endif  // RTETRK_DRIVER_MESSAGES_H_
