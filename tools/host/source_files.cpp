/* Game files as a source (paths, patterns and folders walked, subfolders with -r) */
#include <errno.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "files.h"
#include "platform.h"
#include "source_archive.h"
#include "sources.h"
#include "text.h"

namespace fs = std::filesystem;

/* Files that systems leave in folders of every kind: never games. */
static const char *const kNotGames[] = {"thumbs.db", "desktop.ini", ".ds_store"};

/* Archives this tool does not open: hashed whole, and said so. */
static const char *const kUnopenedArchives[] = {".7z", ".rar", ".lzh", ".lha", ".gz", ".tgz", ".bz2",
                                                ".xz", ".cab", ".arj", ".tar", ".zst"};

/* One folder being walked: open, its entries by name, and the next to take. */
struct Frame {
    Folder *folder;
    std::string name; /* as shown: below the path as typed */
    std::vector<FolderEntry> entries;
    size_t next = 0;
};

struct Walk {
    const SourceOptions *options;
    RowSink sink;
    Row *row;
    Control *control;
    SourceNotes *notes;
    std::string pattern;                          /* on Windows, with -r: the names of the files wanted */
    std::set<FileId> seen;                        /* folders by device and node: links never lead round */
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
    FileRowOf(name, state, note, row);
    row->toHash = state == ROW_ANSWERED;
    return row;
}

static std::string Text(const Walk *walk, MessageId id) {
    return MessageText(id, LanguageOf(walk->control));
}

/* ".rom" for "Coral Moth.ROM", "" for none. */
static std::string ExtensionOf(const std::string &leaf) {
    size_t dot = leaf.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? "" : AsciiLower(leaf.substr(dot));
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

/* What a folder's entry that is not a folder stands for. */
static void ClassifyEntry(Walk *walk, const FolderEntry &entry, const std::string &name) {
    if (entry.type == fs::file_type::none && entry.link)
        FileRow(walk, name, ROW_SKIPPED, Text(walk, entry.error == ELOOP ? M_LINK_LOOP : M_BROKEN_LINK));
    else if (entry.type == fs::file_type::none && entry.error == ENOENT)
        FileRow(walk, name, ROW_FAILED, Text(walk, M_NO_SUCH_FILE));
    else if (entry.type == fs::file_type::none)
        FileRow(walk, name, ROW_FAILED, std::generic_category().message(entry.error));
    else if (entry.type != fs::file_type::regular)
        FileRow(walk, name, ROW_SKIPPED, NotRegular(entry.type, LanguageOf(walk->control)));
    else
        FileRow(walk, name, ROW_ANSWERED, "");
}

/* A member's row, counted as the walk's own. */
static bool SendMember(void *walk, Row *) {
    return Send((Walk *)walk);
}

/* The file the walk's row stands for: a zip archive's members, or itself. */
static void AddRow(Walk *walk, const std::string &leaf, const std::string &name) {
    std::string extension = ExtensionOf(leaf);
    bool zip = extension == ".zip";
    if (walk->options->archives && walk->row->toHash && zip) {
        if (!SendArchive(name, {SendMember, walk}, walk->row, LanguageOf(walk->control))) walk->stopped = true;
        return;
    }
    if (walk->row->toHash && std::find(std::begin(kUnopenedArchives), std::end(kUnopenedArchives), extension) !=
                                 std::end(kUnopenedArchives)) {
        walk->notes->wholeArchives++;
        walk->notes->archiveKinds.insert(extension);
    }
    Send(walk);
}

/* A path that is not a folder, given or matched. */
static void AddFile(Walk *walk, const fs::path &path, const std::string &name) {
    Classify(walk, path, name);
    AddRow(walk, NameOf(path.filename()), name);
}

/* Whether an entry met in a folder is left out: what systems leave there,
   the catalogue and the output, or an extension --ext does not keep. */
static bool LeftOut(Walk *walk, const Folder *folder, const FolderEntry &entry) {
    const SourceOptions &o = *walk->options;
    const std::string &leaf = entry.name;
    std::string lower = AsciiLower(leaf), extension = ExtensionOf(leaf);
    if (std::find(std::begin(kNotGames), std::end(kNotGames), lower) != std::end(kNotGames)) {
        walk->notes->notGames++;
        walk->notes->notGameNames.insert(leaf);
        return true;
    }
    if (!walk->pattern.empty() && !MatchesPattern(walk->pattern, leaf)) return true;
    bool kept = o.extensions.empty() || (o.archives && extension == ".zip") ||
                std::find(o.extensions.begin(), o.extensions.end(), extension) != o.extensions.end();
    if (!kept) walk->notes->leftOut++;
    FileId id;
    bool ours = !o.notGames.empty() && EntryIdOf(folder, entry, &id) &&
                std::find(o.notGames.begin(), o.notGames.end(), id) != o.notGames.end();
    return !kept || ours;
}

static void Failed(Walk *walk, const std::string &name, const std::string &why) {
    FileRow(walk, name, ROW_FAILED, Say(LanguageOf(walk->control), M_CANNOT_LIST, {why}));
    Send(walk);
}

/* Starts walking a folder, from its parent's handle when it has one,
   unless it was walked already or cannot be listed. */
static void EnterFolder(Walk *walk, Folder *parent, const std::string &leaf, const std::string &name) {
    std::string error;
    Folder *folder = OpenFolder(parent, leaf, name, &error);
    if (folder == NULL) return Failed(walk, name, error);
    FileId id = FolderIdOf(folder);
    Frame frame = {folder, name, {}, 0};
    if (!walk->seen.insert(id).second) {
        CloseFolder(folder);
        FileRow(walk, name, ROW_SKIPPED, Text(walk, M_FOLDER_SEARCHED));
        Send(walk);
        return;
    }
    if (!ListFolder(folder, &frame.entries, &error)) {
        CloseFolder(folder);
        return Failed(walk, name, error);
    }
    std::sort(frame.entries.begin(), frame.entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return a.name < b.name; });
    walk->stack.push_back(std::move(frame));
}

static void WalkFolder(Walk *walk, const std::string &name) {
    EnterFolder(walk, NULL, "", name);
    while (!walk->stack.empty() && !walk->stopped && !Stopping(walk->control)) {
        Frame &top = walk->stack.back();
        if (top.next == top.entries.size()) {
            CloseFolder(top.folder);
            walk->stack.pop_back();
            continue;
        }
        const FolderEntry &entry = top.entries[top.next++];
        std::string entryName = JoinName(top.name, entry.name);
        if (entry.type != fs::file_type::directory) {
            if (!LeftOut(walk, top.folder, entry)) {
                ClassifyEntry(walk, entry, entryName);
                AddRow(walk, entry.name, entryName);
            }
        } else if (walk->options->recursive) {
            EnterFolder(walk, top.folder, entry.name, entryName); /* top is not used after this */
        } else {
            walk->foldersLeft++;
        }
    }
    for (Frame &frame : walk->stack) CloseFolder(frame.folder);
    walk->stack.clear();
}

static void StartWalk(Walk *walk, const SourceOptions &options, RowSink sink, Row *row, Control *control,
                      SourceNotes *notes) {
    walk->options = &options;
    walk->sink = sink;
    walk->row = row;
    walk->control = control;
    walk->notes = notes;
}

/* After a folder: what it held that was not asked about. */
static void SayWhatWasLeft(const Walk &walk, const std::string &path, const SourceOptions &options, Control *control,
                           SourceNotes *notes) {
    if (options.measuring) return;
    Language language = LanguageOf(control);
    if (walk.sent == 0) {
        notes->filesMissing = true;
        Warn(control, Say(language, walk.foldersLeft == 0 ? M_NO_GAME_FILES_EMPTY : M_NO_GAME_FILES_FOLDERS, {path}));
    } else if (walk.foldersLeft != 0) {
        Warn(control, walk.foldersLeft == 1 ? Say(language, M_SUBFOLDER_LEFT, {path})
                                            : Say(language, M_SUBFOLDERS_LEFT, {path, std::to_string(walk.foldersLeft)}));
    }
}

static bool SendOnePath(const std::string &path, const SourceOptions &options, RowSink sink, Row *row,
                        Control *control, SourceNotes *notes) {
    Walk walk;
    StartWalk(&walk, options, sink, row, control, notes);
    fs::path p = PathOf(path);
    std::error_code ec;
    if (!fs::is_directory(p, ec)) {
        AddFile(&walk, p, path);
        return !walk.stopped;
    }
    WalkFolder(&walk, path);
    if (!walk.stopped && !Stopping(control)) SayWhatWasLeft(walk, path, options, control, notes);
    return !walk.stopped;
}

/* "roms\\" for "roms\\*.rom", "" for "*.rom": a pattern's folder, as typed. */
static std::string FolderPart(const std::string &path) {
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}

/* With -r, a pattern's last part names the files wanted in its folder and
   every folder below it, as dir /s does. */
static bool SendPatternBelow(const std::string &path, const SourceOptions &options, RowSink sink, Row *row,
                             Control *control, SourceNotes *notes) {
    std::string folder = FolderPart(path);
    std::error_code ec;
    fs::path start = PathOf(folder.empty() ? "." : folder);
    if (!fs::is_directory(start, ec))
        return SendFileRow(path, ROW_FAILED, Say(LanguageOf(control), M_PATTERN_FOLDER,
                                     {ec ? ec.message() : MessageText(M_NO_SUCH_FILE, LanguageOf(control))}),
                           sink, row);
    Walk walk;
    StartWalk(&walk, options, sink, row, control, notes);
    walk.pattern = path.substr(folder.size());
    WalkFolder(&walk, folder.empty() ? "." : folder); /* named as typed: "roms\\" then "roms\\a.rom" */
    if (walk.sent == 0 && !walk.stopped && !Stopping(control))
        return SendFileRow(path, ROW_FAILED, MessageText(M_NOTHING_MATCHES, LanguageOf(control)), sink, row);
    return !walk.stopped;
}

bool SendPath(const std::string &path, const SourceOptions &options, RowSink sink, Row *row, Control *control,
              SourceNotes *notes) {
    std::vector<std::string> matches;
    if (!ExpandPattern(path, &matches)) return SendOnePath(path, options, sink, row, control, notes);
    std::string folder = FolderPart(path);
    bool deep = path.find_first_of("*?") < folder.size(); /* never expanded: say so */
    if (options.recursive && !deep) return SendPatternBelow(path, options, sink, row, control, notes);
    if (matches.empty())
        return SendFileRow(path, ROW_FAILED, MessageText(deep ? M_NOTHING_MATCHES_DEEP : M_NOTHING_MATCHES, LanguageOf(control)),
                           sink, row);
    for (size_t i = 0; i < matches.size() && !Stopping(control); i++)
        if (!SendOnePath(matches[i], options, sink, row, control, notes)) return false;
    return true;
}
