/* Dropped arguments (bare paths told from keys, and where a catalogue is looked for when none is given) */
#include <filesystem>

#include "keys_file.h"
#include "platform.h"
#include "sources.h"
#include "text.h"

namespace fs = std::filesystem;

static bool IsDatName(const std::string &name) {
    return name.size() >= 4 && AsciiLower(name.substr(name.size() - 4)) == ".dat";
}

/* A path that names something, or a pattern that matches something. */
static bool Names(const std::string &value, bool *folder) {
    std::error_code ec;
    fs::file_status status = fs::status(PathOf(value), ec);
    *folder = status.type() == fs::file_type::directory;
    std::vector<std::string> matches;
    return (!ec && fs::exists(status)) || (ExpandPattern(value, &matches) && !matches.empty());
}

std::string ResolveGiven(Settings *s) {
    std::string firstFolder;
    std::vector<Request> resolved;
    for (const Request &r : s->requests) {
        bool folder = false;
        if (r.kind != REQUEST_GIVEN) {
            resolved.push_back(r);
        } else if (IsHexadecimal(r.value) || !Names(r.value, &folder)) {
            resolved.push_back({REQUEST_KEY, r.value, false});
        } else if (s->catalogue.empty() && !folder && IsDatName(r.value)) {
            s->catalogue = r.value;
        } else {
            if (folder && firstFolder.empty()) firstFolder = r.value;
            resolved.push_back({REQUEST_FILE, r.value, true});
        }
    }
    s->requests = resolved;
    return firstFolder;
}

std::vector<std::string> CataloguePlaces(const std::string &firstFolder) {
    std::vector<std::string> places = {"data.dat", JoinName(ProgramDirectory(), "data.dat")};
    if (!firstFolder.empty()) places.push_back(JoinName(firstFolder, "data.dat"));
    return places;
}
