// What the recording world tells the test process: the pieces as their
// models report them after each paint, and how the world's run ended.
#ifndef ZOTANGRAM_TESTS_RECORDING_HPP
#define ZOTANGRAM_TESTS_RECORDING_HPP

#include <windows.h>

namespace apptest {

// {8E0C3A51-2F7B-4C1D-9A3E-5B6C7D8E9F10}
inline constexpr CLSID kRecordingWorld = {0x8e0c3a51, 0x2f7b, 0x4c1d, {0x9a, 0x3e, 0x5b, 0x6c, 0x7d, 0x8e, 0x9f, 0x10}};
// {433100B6-55A2-4820-BDF2-73280F5FED96}: the world it shows, the classic one.
inline constexpr CLSID kClassicWorld = {0x433100b6, 0x55a2, 0x4820, {0xbd, 0xf2, 0x73, 0x28, 0x0f, 0x5f, 0xed, 0x96}};
inline constexpr char kRecordingName[] = "ZOTangram Recording World";
inline constexpr char kRecordingBlock[] = "Local\\ZOTangramRecordingWorld";

struct PieceRecord {
    double x;
    double y;
    double degrees;
};

struct Recording {
    LONG pieces; // models handed to the world
    LONG paints;
    LONG world_released; // the program let the world go
    LONG unloaded;       // the world's DLL was unloaded before its process ended (COM uninitialised)
    PieceRecord piece[7];
    CLSID shown;         // set by the test: the world to show; none for the classic one
    LONG silhouette;     // the world shown has a figure
    LONG placed;         // pieces lying exactly on their places, as the world counts them
    LONG solved;         // the world says the figure is solved
    LONG solved_ms;      // the time the world shows for it
    LONG fail_animation; // set by the test: the world's Animate fails from then on
};

} // namespace apptest

#endif
