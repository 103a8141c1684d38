// The engine's readers as fuzz targets. Each reads one input file the way the
// engine does and checks what comes back against the reader's contract.
#pragma once

#include <string>
#include <vector>

struct FuzzTarget {
  const char* name;
  const wchar_t* extension;  // the readers choose by name too
  std::vector<std::string> (*seeds)();
  std::vector<std::string> tokens;
  // Reads the file at path. False, with the reason in *problem, when a result
  // broke its contract (a frame of the wrong size, a project that does not
  // read back as it was written); refusing a damaged file is no problem.
  bool (*run)(const std::wstring& path, std::string* problem);
};

// project (Xml2Dex, read and written back), tga, wav, avi and still
// (MediaReaders), catalog (ParameterCatalog) and time (ParseTime). The project
// target needs COM and the engine's classes.
const std::vector<FuzzTarget>& FuzzTargets();
