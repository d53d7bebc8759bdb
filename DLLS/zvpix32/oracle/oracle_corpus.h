// Files of the differential corpus.
#pragma once
#include <string>
#include <vector>

#include "zvtypes.h"

// Paths of the files in <corpus>/<kind>, sorted; the corpus folder comes
// from ZV_ORACLE_CORPUS.
std::vector<std::string> OracleCorpusFiles(const char* kind);
// Paths of the files in `dir`, sorted.
std::vector<std::string> OracleFolderFiles(const std::string& dir);
std::vector<BYTE> OracleReadFile(const std::string& path);
