#include "app/EntryModes.h"
#include "app/ProgramModule.h"

int main(int argc, char* argv[])
{
    if (EntryModes::handles(argc, argv))
        return EntryModes::run(argc, argv);
    return ProgramModule::run(argc, argv);
}
