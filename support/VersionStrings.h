// Named text fields of a file's version record.
#pragma once

// names ends with a null entry; results[i] receives a new heap copy (FreeText)
// of each field found and is left as it was otherwise. False when the file has
// no version record or no translation table.
bool ReadVersionStrings(const wchar_t* path, const wchar_t* const* names, wchar_t** results);
