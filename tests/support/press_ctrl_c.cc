// Presses Ctrl-C in the console of another process, as a user at that
// console would:
//
//   press_ctrl_c PROCESS_ID
//
// Only a process attached to a console can signal it, and attaching means
// leaving one's own console: this program does that so that the tests keep
// theirs. Exits 0 once the key press has been sent.

#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  DWORD id = std::strtoul(argv[1], nullptr, 10);
  FreeConsole();
  if (!AttachConsole(id)) return 1;
  // The press reaches every process at the console, this one too.
  SetConsoleCtrlHandler(nullptr, TRUE);
  return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) ? 0 : 1;
}
