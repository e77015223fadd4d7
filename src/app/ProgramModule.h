#pragma once

// The window and the modes that need more than QtCore live in a module beside the executable
// (VOK_Address-program.so), which the executable loads when it starts one of them. The module
// runs in the executable's process with its arguments: the PID, argv[0] and the application's
// path stay the executable's.
namespace ProgramModule {

// The name the module's entry point is exported under: int VOK_AddressMain(int, char**).
inline constexpr const char* EntryName = "VOK_AddressMain";
using Entry = int (*)(int argc, char** argv);

// Loads the module and runs its entry; on failure says why on standard error and returns 1.
int run(int argc, char** argv);

} // namespace ProgramModule
