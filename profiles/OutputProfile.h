// The catalogue of output profiles: every profile the program can convert to,
// the chooser page that lists it and the facts fixed by the profile alone. The
// catalogue is constant data; nothing changes it at run time.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The four pages of the format chooser, in tab order.
enum class TProfilePage { ppHighDefinition, ppDevices, ppComputer, ppAudio };
inline constexpr std::array<TProfilePage, 4> ProfilePages{
    TProfilePage::ppHighDefinition, TProfilePage::ppDevices, TProfilePage::ppComputer, TProfilePage::ppAudio};

struct TOutputProfile {
    int32_t Id = 0;
    TProfilePage Page = TProfilePage::ppHighDefinition;
    std::string_view Label;
    std::string_view OutputExt;  // with the leading dot
    std::string_view ProfileExt; // tag copied into the settings (".psp.mp4" ...)
    bool AudioOnly = false;
    std::string_view OutputFormat;  // forced container; empty: chosen by the extension
    std::string_view PendingTarget; // "vcd", "svcd", "dvd" or empty
};

// The tab caption of a page.
std::string_view PageCaption(TProfilePage page);
// The identifier of the first item of a page (500, 100, 1, 200).
int32_t PageBase(TProfilePage page);
// The profiles of a page in list order.
std::span<const TOutputProfile> PageProfiles(TProfilePage page);
// The identifier of the item at 0-based `position` of `page`; -1 when the page has no such item.
int32_t ProfileIdAt(TProfilePage page, int position);
// The entry of an identifier; null for one that no page produces.
const TOutputProfile* FindProfile(int32_t id);
// Every profile, page after page in tab order.
std::span<const TOutputProfile> AllProfiles();

// The separator put between the output folder and a file name.
inline constexpr char OutputPathSeparator = '/';
// The name part of `path` (after its last separator).
std::string_view FileNameOf(std::string_view path);
// `fileName` with everything from its last dot replaced by `ext`; a name
// without a dot gets `ext` appended.
std::string ReplaceExtension(std::string_view fileName, std::string_view ext);
// The output folder, one separator, the name of `sourceFile` with its extension
// replaced by `ext`. Nothing is added or removed beyond the one separator.
std::string OutputPathFor(std::string_view outputFolder, std::string_view sourceFile, std::string_view ext);
