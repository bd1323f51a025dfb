// A fresh lane for a benchmark: drive C:, the device folder, the registry
// file and the current directory lane/Bin, all in a new folder under /tmp.
#ifndef BENCH_BENCHSCRATCH_H
#define BENCH_BENCHSCRATCH_H

#include <string>

// pattern is a mkdtemp pattern ("/tmp/name-XXXXXX"); false when the lane
// cannot be made.
bool MakeBenchScratch(const char* pattern, std::string* scratch);

#endif
