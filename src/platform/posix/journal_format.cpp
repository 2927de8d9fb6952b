// The journal's file: see journal_format.h.
#include "platform/posix/journal_format.h"

namespace journal_format {

const char* const PlayerFiles[2] = {"random.txt", "Kubrask.data"};

namespace {

const char Magic[4] = {'K', 'B', 'R', 'J'};

uint32_t Fnv32(const char* data, size_t size) {
    uint32_t hash = 0x811c9dc5u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<unsigned char>(data[i])) * 0x01000193u;
    return hash;
}

}  // namespace

const char* TagName(int tag) {
    static const char* const names[TagCount] = {
        "nothing", "a poll", "a clock reading", "a poll and a clock reading", "a millisecond reading",
        "a message sent", "a message queued", "a box or the dialog", "a box's answer", "the dialog's start",
        "a button of the dialog", "the dialog's text", "the dialog's end", "a file read", "a check", "the end"};
    return tag > 0 && tag < TagCount ? names[tag] : names[0];
}

uint64_t Fnv64(const void* data, size_t size) {
    uint64_t hash = 0xcbf29ce484222325ull;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
}

uint64_t ZigZag(int64_t n) { return (static_cast<uint64_t>(n) << 1) ^ static_cast<uint64_t>(n >> 63); }
int64_t UnZigZag(uint64_t n) { return static_cast<int64_t>(n >> 1) ^ -static_cast<int64_t>(n & 1); }

void PutVarint(std::string& out, uint64_t n) {
    while (n >= 0x80) {
        out += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    out += static_cast<char>(n);
}

void PutText(std::string& out, const std::string& text) {
    PutVarint(out, text.size());
    out += text;
}

std::string Start() { return std::string(Magic, sizeof Magic) + static_cast<char>(FormatVersion); }

std::string Chunk(const std::string& payload) {
    std::string out;
    PutVarint(out, payload.size());
    out += payload;
    const uint32_t sum = Fnv32(payload.data(), payload.size());
    for (int i = 0; i < 4; ++i) out += static_cast<char>(sum >> (8 * i));
    return out;
}

namespace {

// Reads what PutVarint wrote from bytes [at, end); false when it runs past
// the end or is longer than 64 bits hold.
bool GetVarint(const std::string& in, size_t& at, size_t end, uint64_t* n) {
    *n = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at >= end) return false;
        unsigned char c = static_cast<unsigned char>(in[at++]);
        if (shift == 63 && c > 1) return false;
        *n |= static_cast<uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80)) return true;
    }
    return false;
}

bool GetText(const std::string& in, size_t& at, size_t end, std::string* text) {
    uint64_t size;
    if (!GetVarint(in, at, end, &size) || size > end - at) return false;
    *text = in.substr(at, size);
    at += size;
    return true;
}

// The rules a header names: "rules N", or, in the journals of the one
// release made before the rules had a number of their own, its version.
int RulesNamed(const std::string& name) {
    if (name == "1.0.0") return 1;
    if (name.rfind("rules ", 0) != 0 || name.size() > 16) return 0;
    int rules = 0;
    for (size_t i = 6; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        rules = rules * 10 + (name[i] - '0');
    }
    return rules;
}

}  // namespace

}  // namespace journal_format

using namespace journal_format;

std::string RulesName() { return "rules " + std::to_string(KubraskRules); }

const char* JournalFaultName(JournalFault fault) {
    switch (fault) {
        case JournalFault::Readable: return "";
        case JournalFault::NotAJournal: return "not a journal";
        case JournalFault::CutShort: return "cut";
        case JournalFault::Damaged: return "damaged";
        case JournalFault::OtherRules: return "other rules";
    }
    return "damaged";
}

bool ReadJournal(const std::string& bytes, JournalFile* journal, std::string* error, JournalFault* fault) {
    *journal = JournalFile{};
    auto fail = [&](JournalFault kind, const std::string& what) {
        *error = what;
        if (fault != nullptr) *fault = kind;
        return false;
    };
    if (bytes.size() < 5 || bytes.compare(0, 4, Magic, 4) != 0) return fail(JournalFault::NotAJournal, "is not a Kubrask journal");
    if (bytes[4] != FormatVersion)
        return fail(JournalFault::NotAJournal, "is a journal of format " + std::to_string(static_cast<unsigned char>(bytes[4])) +
                    ", and this game reads format " + std::to_string(FormatVersion));
    int64_t lastClock = 0, lastStep = 0;
    bool header = false;
    for (size_t at = 5; at < bytes.size();) {
        const size_t chunkStart = at;
        uint64_t size;
        if (!GetVarint(bytes, at, bytes.size(), &size) || size > bytes.size() - at || bytes.size() - at - size < 4)
            return fail(JournalFault::CutShort, "is cut short at byte " + std::to_string(bytes.size()) + ", in the chunk that starts at byte " +
                        std::to_string(chunkStart));
        const size_t sumAt = at + size, chunkEnd = sumAt + 4;
        uint32_t sum = 0;
        for (int i = 0; i < 4; ++i) sum |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[sumAt + i])) << (8 * i);
        if (sum != Fnv32(bytes.data() + at, size))
            return fail(JournalFault::Damaged, "is damaged in the chunk at bytes " + std::to_string(chunkStart) + " to " +
                        std::to_string(sumAt + 3));
        const std::string payload = bytes.substr(at, size);
        const std::string where = " in the chunk at byte " + std::to_string(chunkStart);
        size_t p = 0;
        const size_t end = payload.size();
        if (!header) {
            header = true;
            uint64_t count;
            if (!GetText(payload, p, end, &journal->rulesName) || !GetVarint(payload, p, end, &count) || count > 16)
                return fail(JournalFault::Damaged, "has a header that makes no sense" + where);
            journal->rules = RulesNamed(journal->rulesName);
            if (journal->rules != KubraskRules) {
                const std::string named = journal->rulesName.rfind("rules ", 0) == 0
                                              ? journal->rulesName
                                              : "Kubrask " + journal->rulesName.substr(0, 40);
                return fail(JournalFault::OtherRules, "was recorded under other rules (" + named + ") than this game's (" + RulesName() + ")");
            }
            for (uint64_t i = 0; i < count; ++i) {
                JournalFile::Saved saved;
                if (!GetText(payload, p, end, &saved.name) || p >= end) return fail(JournalFault::Damaged, "has a header that makes no sense" + where);
                saved.present = payload[p++] != 0;
                if (!GetText(payload, p, end, &saved.bytes)) return fail(JournalFault::Damaged, "has a header that makes no sense" + where);
                bool known = false;
                for (const char* name : PlayerFiles) known = known || saved.name == name;
                if (!known) return fail(JournalFault::Damaged, "names a file the game does not keep, \"" + saved.name + "\"" + where);
                journal->files.push_back(saved);
            }
            if (p != end) return fail(JournalFault::Damaged, "has a header that makes no sense" + where);
            at = chunkEnd;
            continue;
        }
        while (p < end) {
            if (journal->complete) return fail(JournalFault::Damaged, "goes on after its end" + where);
            const size_t recordStart = p;
            JournalRecord r;
            r.tag = static_cast<unsigned char>(payload[p++]);
            uint64_t a = 0, b = 0, c = 0;
            bool ok = true;
            switch (r.tag) {
                case Poll: case ModalStart: case DialogInit:
                    break;
                case Clock: case PollClock: case Milliseconds: case Box: case Command: case DialogEnd:
                    ok = GetVarint(payload, p, end, &a);
                    break;
                case Send: case Post: case End:
                    ok = GetVarint(payload, p, end, &a) && GetVarint(payload, p, end, &b) && GetVarint(payload, p, end, &c);
                    break;
                case Check:
                    ok = GetVarint(payload, p, end, &a) && GetVarint(payload, p, end, &b);
                    break;
                case Text:
                    ok = GetText(payload, p, end, &r.text);
                    break;
                case FileRead:
                    ok = GetText(payload, p, end, &r.text) && GetVarint(payload, p, end, &a) &&
                         GetVarint(payload, p, end, &b) && !r.text.empty() && r.text.find("..") == std::string::npos &&
                         r.text[0] != '/';
                    break;
                default:
                    ok = false;
            }
            if (!ok)
                return fail(JournalFault::Damaged, "is damaged at byte " + std::to_string(at + recordStart) + where +
                            ": a record makes no sense there");
            r.a = static_cast<int64_t>(a);
            r.b = static_cast<int64_t>(b);
            r.c = static_cast<int64_t>(c);
            switch (r.tag) {
                case Clock: case PollClock:
                    // Undo the prediction; a wrapping sum only comes from a made-up journal.
                    r.a = static_cast<int64_t>(static_cast<uint64_t>(lastClock) + static_cast<uint64_t>(lastStep) +
                                               static_cast<uint64_t>(UnZigZag(a)));
                    lastStep = static_cast<int64_t>(static_cast<uint64_t>(r.a) - static_cast<uint64_t>(lastClock));
                    lastClock = r.a;
                    break;
                case Send: case Post:
                    r.c = UnZigZag(c);  // lParam, signed
                    break;
                case Box: case DialogEnd:
                    r.a = UnZigZag(a);
                    break;
                case End:
                    r.a = UnZigZag(a);  // the exit code
                    break;
                default:
                    break;
            }
            if (r.tag == PollClock) {
                journal->records.push_back(JournalRecord{Poll, 0, 0, 0, {}});
                journal->offsets.push_back(chunkStart);
                journal->ends.push_back(chunkEnd);
                r.tag = Clock;
            }
            if (r.tag == End) journal->complete = true;
            journal->records.push_back(r);
            journal->offsets.push_back(chunkStart);
            journal->ends.push_back(chunkEnd);
        }
        at = chunkEnd;
    }
    if (!header) return fail(JournalFault::CutShort, "is cut short before its header");
    return true;
}
