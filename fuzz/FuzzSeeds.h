// Valid files the fuzz targets start from, made here rather than shipped:
// projects written by the engine itself and one in the published format,
// TGA pictures of every kind the reader takes, WAV and AVI files, pictures
// through the WIC encoders, the shipped parameter catalog and times as the
// time edit shows them.
#pragma once

#include <string>
#include <vector>

// Needs COM and the engine's classes.
std::vector<std::string> ProjectSeeds();
std::vector<std::string> TgaSeeds();
std::vector<std::string> WavSeeds();
std::vector<std::string> AviSeeds();
// Needs COM.
std::vector<std::string> StillSeeds();
// The catalog beside the program, when there, and a small one.
std::vector<std::string> CatalogSeeds();
std::vector<std::string> TimeTextSeeds();
