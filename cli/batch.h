#pragma once
// binoxa-cli batch: every pair of a library folder exported like Save all.

#include "cli/options.h"

// Exit status 0, or 1 when any pair failed or the folder cannot be used.
int runBatch(const Invocation& inv);
