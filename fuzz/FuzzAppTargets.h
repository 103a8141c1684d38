// Fuzz targets in the application's code: the parameter catalog of the effect
// window and the time edit's text. Each reads one input file as the
// application reads its own (see FuzzTargets.h).
#pragma once

#include <string>

// The catalog lists the parameters of every built-in class and the values
// offered for each; needs COM.
bool RunCatalog(const std::wstring& path, std::string* problem);
// The file's bytes, one character each, as text typed into a time field.
bool RunTimeText(const std::wstring& path, std::string* problem);
