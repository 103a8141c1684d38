// The class ids and names of the engine's own DirectShow filters. They are
// registered with the engine's classes (RegisterEngineClasses); the
// compressors also appear in the platform's compressor categories.
#pragma once

#include <windows.h>

// Multiplexer and file writer in one: any number of video and audio inputs,
// IFileSinkFilter, OpenDML files past 1 GB.
constexpr GUID CLSID_EngineAviWriter = {0xbb384eae, 0xb3f9, 0x41a1, {0x92, 0x60, 0xe0, 0x86, 0x8f, 0xeb, 0x75, 0x68}};
// Plays a media file the engine reads (IFileSourceFilter): one output pin per stream.
constexpr GUID CLSID_EngineMediaSource = {0x92e1b637, 0x45a0, 0x432a, {0x94, 0x61, 0xb4, 0x9f, 0x66, 0xe7, 0xdf, 0x0e}};
constexpr GUID CLSID_EngineMjpegCompressor = {
    0x75928fbd, 0x5e0c, 0x4bde, {0xbe, 0x65, 0x8d, 0x9a, 0xa8, 0x43, 0x88, 0x17}};
constexpr GUID CLSID_EngineImaAdpcmCompressor = {
    0xf8d2a0d9, 0xbbad, 0x4309, {0xa3, 0x91, 0x10, 0x72, 0x40, 0xef, 0x48, 0x4b}};
// The source filter of one group that the render engine puts into a graph;
// made only by the render engine, never by class id.
constexpr GUID CLSID_EngineGroupSource = {0x3ad17daa, 0x77ad, 0x4f69, {0x9f, 0xde, 0xf8, 0x8d, 0xaa, 0xa9, 0xd3, 0x30}};
