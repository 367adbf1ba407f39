#pragma once
// binoxa-cli batch: every pair of a library folder exported like Save all.

// argv[1] is "batch". Exit status 0, 1 when any pair failed or the folder
// cannot be used, 2 on a usage error.
int runBatch(int argc, char** argv);
