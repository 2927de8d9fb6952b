// What the score server's tests share: the server started as a process of
// its own on loopback, with a data folder and a site of the test's, a plain
// HTTP client, and journals made from those kept in tests/journals.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// A kubrask-server run by a test; stopped (SIGTERM) when it goes.
class TestServer {
public:
    // Starts the server on a free port with `extra` arguments; the data
    // folder (unless given) and the site are made in a fresh folder, which
    // goes with the server. `wrapper` is a command it is run under
    // (prlimit ...).
    explicit TestServer(std::vector<std::string> extra = {}, std::string data = "", std::vector<std::string> wrapper = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    unsigned short port() const { return port_; }
    const std::string& data() const { return data_; }
    pid_t pid() const { return pid_; }
    void Kill();  // SIGKILL, at once

private:
    std::string folder_, data_;
    pid_t pid_ = -1;
    unsigned short port_ = 0;
};

struct HttpAnswer {
    int status = 0;  // 0: no answer (the connection failed)
    std::map<std::string, std::string> headers;  // by lower-case name
    std::string body;
};

HttpAnswer Get(unsigned short port, const std::string& target);
HttpAnswer Post(unsigned short port, const std::string& target, const std::string& body);
// Sends a request's header naming `length` bytes of body, and none of them.
HttpAnswer PostHeaderOnly(unsigned short port, const std::string& target, size_t length, bool expectContinue);

// A journal of tests/journals by its name there.
std::string KeptJournal(const std::string& name);
// The same run, bytes otherwise: chunk `at` (from 1, after the header)
// joined with the one after it. Plays exactly as the journal does.
std::string JoinedChunks(const std::string& journal, size_t at);
// How many chunks the journal has after its header.
size_t ChunkCount(const std::string& journal);
// The journal with its header's launch counter changed to `counter`.
std::string WithCounter(const std::string& journal, const std::string& counter);
// The journal cut after its first `chunks` chunks (the header counts).
std::string FirstChunks(const std::string& journal, size_t chunks);

// The tests' own PostgreSQL (postgres.sh), as the file KUBRASK_POSTGRES
// names: its folder, or "" when there is none.
std::string PostgresFolder();
// A new, empty database there, as a URL.
std::string FreshDatabase(const std::string& folder);

// A PostgreSQL of the caller's own (postgres.sh start), stopped and removed
// when it goes; its folder is "" when it could not be started.
class OwnPostgres {
public:
    OwnPostgres();
    ~OwnPostgres();
    OwnPostgres(const OwnPostgres&) = delete;
    OwnPostgres& operator=(const OwnPostgres&) = delete;
    const std::string& folder() const { return folder_; }
    // Stops it, keeping everything (postgres.sh pause), or starts it again.
    bool Pause();
    bool Resume();

private:
    std::string named_, folder_;
};

// A value of a JSON answer, by a path like "games.0.id"; "" when absent.
std::string JsonField(const std::string& json, const std::string& path);
// A fresh folder under /tmp.
std::string FreshFolder(const std::string& name);
