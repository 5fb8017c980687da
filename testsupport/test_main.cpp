// Every test executable starts with its per-user folders in a scratch folder
// of its own, so no test reads or writes the real user's settings.
#include "testsupport/scratch_home.h"

int main(int argc, char** argv) { return testsupport::RunAllTestsWithScratchHome(argc, argv); }
