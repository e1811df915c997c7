// fuzz/targets.h -- what each fuzz target does with one input: write it to a file and hand the file to
// a loader, then check what the loader made. Shared by the libFuzzer programs and by the replay test
// that feeds the kept inputs to the same code in every ordinary test run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One target: its name (also the folder of its kept inputs) and its entry.
struct FuzzTarget {
    const char* name;
    void (*run)(const std::uint8_t* data, std::size_t size);
};

// Mesh::Load of the first object named in the input (or "o" when none is).
void FuzzMeshLoad(const std::uint8_t* data, std::size_t size);
// TexCoordSet::Load likewise.
void FuzzTexCoordLoad(const std::uint8_t* data, std::size_t size);
// ObjectGroup::LoadFile.
void FuzzGroupLoad(const std::uint8_t* data, std::size_t size);
// The BMP reader.
void FuzzBmpRead(const std::uint8_t* data, std::size_t size);
// ReadJpegInfo, then DecodeJpeg in colour and in grey for images of up to a million pixels.
void FuzzJpeg(const std::uint8_t* data, std::size_t size);

// ReadGlyphShapes; what it accepts must hold together and write back to the same bytes.
void FuzzGlyphShapes(const std::uint8_t* data, std::size_t size);

// Every target, in a fixed order.
extern const FuzzTarget kFuzzTargets[6];

// Stops the program (a finding) when `condition` is false: what a loader made breaks its own promise.
void FuzzCheck(bool condition, const char* what);
