// The default list of an output: the codec, preset, frame size and filter
// values of its record, completed and extended by its option lines. The main
// streams take the "def_" values; each extra stream ("newaudio", "newvideo",
// "newsubtitle" lines) takes the next unused line of each name it needs.
#pragma once

#include "engine/Records.h"
#include "options/OptionLines.h"

#include <string>
#include <vector>

class TOutputDefaults {
public:
    explicit TOutputDefaults(const TOutputOptions& options);

    // The "def_" + name value ("acodec", "vcodec", "scodec", "apre", "vpre",
    // "spre", "s", "vf"); empty when neither the record nor a line gave one.
    const std::string& Default(const std::string& name) const;
    // The first remaining line of that name, removed from the list; when none
    // remains, the "def_" value.
    std::string Take(const std::string& name);

    // The lines kept for extra streams, in order (tests).
    const std::vector<TOptionLine>& Entries() const { return entries_; }

private:
    struct Default_ {
        std::string Name;
        std::string Value;
    };
    std::vector<Default_> defaults_;
    std::vector<TOptionLine> entries_;
};
