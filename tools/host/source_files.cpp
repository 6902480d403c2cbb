/* Game files as a source (paths, patterns and folders walked, subfolders with -r) */
#include <errno.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "files.h"
#include "platform.h"
#include "source_archive.h"
#include "sources.h"

namespace fs = std::filesystem;

/* One folder being walked: its entries by name, and the next to take. */
struct Frame {
    std::string name; /* as shown: below the path as typed */
    std::vector<std::pair<std::string, fs::path>> entries;
    size_t next = 0;
};

struct Walk {
    const SourceOptions *options;
    RowSink sink;
    Row *row;
    Control *control;
    std::set<std::pair<uint64_t, uint64_t>> seen; /* folders by device and node: links never lead round */
    std::vector<Frame> stack;                     /* a deep tree costs heap, not stack */
    size_t foldersLeft = 0;                       /* subfolders not searched without recursion */
    size_t sent = 0;
    bool stopped = false;
};

static bool Send(Walk *walk) {
    walk->sent++;
    walk->stopped = walk->stopped || !walk->sink.take(walk->sink.context, walk->row);
    return !walk->stopped;
}

/* A row for a file, its CRC-32 not yet known. */
static Row *FileRow(Walk *walk, const std::string &name, RowState state, const std::string &note) {
    Row *row = walk->row;
    ClearRow(row);
    row->askedBy = ASKED_BY_FILE;
    row->file = name;
    row->state = state;
    row->note = note;
    row->toHash = state == ROW_ANSWERED;
    return row;
}

static std::string Text(const Walk *walk, MessageId id) {
    return MessageText(id, LanguageOf(walk->control));
}

/* What a path that is not a folder stands for. */
static void Classify(Walk *walk, const fs::path &path, const std::string &name) {
    std::error_code ec, linkEc;
    fs::file_status status = fs::status(path, ec);
    bool missing = status.type() == fs::file_type::not_found || ec == std::errc::no_such_file_or_directory;
    if (ec && fs::is_symlink(fs::symlink_status(path, linkEc)))
        FileRow(walk, name, ROW_SKIPPED, Text(walk, ec.value() == ELOOP ? M_LINK_LOOP : M_BROKEN_LINK));
    else if (missing)
        FileRow(walk, name, ROW_FAILED, Text(walk, M_NO_SUCH_FILE)); /* one wording everywhere */
    else if (ec)
        FileRow(walk, name, ROW_FAILED, ec.message());
    else if (status.type() != fs::file_type::regular)
        FileRow(walk, name, ROW_SKIPPED, NotRegular(status.type(), LanguageOf(walk->control)));
    else
        FileRow(walk, name, ROW_ANSWERED, "");
}

/* A member's row, counted as the walk's own. */
static bool SendMember(void *walk, Row *) {
    return Send((Walk *)walk);
}

/* A path that is not a folder: a zip archive's members, or itself. */
static void AddFile(Walk *walk, const fs::path &path, const std::string &name) {
    Classify(walk, path, name);
    if (walk->options->archives && walk->row->toHash && IsZipName(name)) {
        if (!SendArchive(name, {SendMember, walk}, walk->row, LanguageOf(walk->control))) walk->stopped = true;
    } else {
        Send(walk);
    }
}

/* Starts walking a folder, unless it was walked already or cannot be listed. */
static void EnterFolder(Walk *walk, const fs::path &folder, const std::string &name) {
    FileId id;
    if (FileIdOf(folder, &id) && !walk->seen.insert({id.device, id.node}).second) {
        FileRow(walk, name, ROW_SKIPPED, Text(walk, M_FOLDER_SEARCHED));
        Send(walk);
        return;
    }
    Frame frame;
    frame.name = name;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) frame.entries.push_back({NameOf(it->path().filename()), it->path()});
    if (ec) {
        FileRow(walk, name, ROW_FAILED, Say(LanguageOf(walk->control), M_CANNOT_LIST, {ec.message()}));
        Send(walk);
        return;
    }
    std::sort(frame.entries.begin(), frame.entries.end());
    walk->stack.push_back(std::move(frame));
}

static bool IsCatalogue(const Walk *walk, const fs::path &path) {
    FileId id;
    return walk->options->skipCatalogue && FileIdOf(path, &id) && id.device == walk->options->catalogue.device &&
           id.node == walk->options->catalogue.node;
}

static void WalkFolder(Walk *walk, const fs::path &folder, const std::string &name) {
    EnterFolder(walk, folder, name);
    while (!walk->stack.empty() && !walk->stopped && !Stopping(walk->control)) {
        Frame &top = walk->stack.back();
        if (top.next == top.entries.size()) {
            walk->stack.pop_back();
            continue;
        }
        const std::pair<std::string, fs::path> &entry = top.entries[top.next++];
        std::string entryName = JoinName(top.name, entry.first);
        fs::path path = entry.second;
        std::error_code ec; /* each entry's own: one bad link spoils nothing else */
        if (!fs::is_directory(path, ec)) {
            if (!IsCatalogue(walk, path)) AddFile(walk, path, entryName);
        }
        else if (walk->options->recursive) EnterFolder(walk, path, entryName); /* top is not used after this */
        else walk->foldersLeft++;
    }
    walk->stack.clear();
}

static bool SendOnePath(const std::string &path, const SourceOptions &options, RowSink sink, Row *row,
                        Control *control, SourceNotes *notes) {
    Walk walk;
    walk.options = &options;
    walk.sink = sink;
    walk.row = row;
    walk.control = control;
    fs::path p = PathOf(path);
    std::error_code ec;
    if (!fs::is_directory(p, ec)) {
        AddFile(&walk, p, path);
        return !walk.stopped;
    }
    WalkFolder(&walk, p, path);
    if (walk.sent > 0 || walk.stopped || Stopping(control)) return !walk.stopped;
    notes->filesMissing = true;
    if (!options.measuring)
        Warn(control, Say(LanguageOf(control), walk.foldersLeft == 0 ? M_NO_GAME_FILES_EMPTY : M_NO_GAME_FILES_FOLDERS,
                          {path}));
    return true;
}

bool SendPath(const std::string &path, const SourceOptions &options, RowSink sink, Row *row, Control *control,
              SourceNotes *notes) {
    std::vector<std::string> matches;
    if (!ExpandPattern(path, &matches)) return SendOnePath(path, options, sink, row, control, notes);
    if (matches.empty()) {
        size_t cut = path.find_last_of("\\/:");
        bool deep = cut != std::string::npos && path.find_first_of("*?") < cut; /* never expanded: say so */
        ClearRow(row);
        row->askedBy = ASKED_BY_FILE;
        row->file = path;
        row->state = ROW_FAILED;
        row->note = MessageText(deep ? M_NOTHING_MATCHES_DEEP : M_NOTHING_MATCHES, LanguageOf(control));
        return sink.take(sink.context, row);
    }
    for (size_t i = 0; i < matches.size() && !Stopping(control); i++)
        if (!SendOnePath(matches[i], options, sink, row, control, notes)) return false;
    return true;
}
