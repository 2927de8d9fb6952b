// What the score server's tests share: see server_support.h.
#include "server_support.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "platform/posix/journal_format.h"

extern char** environ;

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

std::string ReadFile(const std::string& path) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw std::runtime_error("cannot read " + path);
    char block[8192];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
    std::fclose(file);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// The journal's chunks as [start, end) byte ranges, the header's first.
std::vector<std::pair<size_t, size_t>> Chunks(const std::string& journal) {
    std::vector<std::pair<size_t, size_t>> chunks;
    for (size_t at = 5; at < journal.size();) {
        uint64_t size = 0;
        size_t p = at;
        for (int shift = 0;; shift += 7) {
            const unsigned char c = static_cast<unsigned char>(journal[p++]);
            size |= static_cast<uint64_t>(c & 0x7f) << shift;
            if (!(c & 0x80)) break;
        }
        chunks.emplace_back(at, p + size + 4);
        at = p + size + 4;
    }
    return chunks;
}

std::string Payload(const std::string& journal, std::pair<size_t, size_t> chunk) {
    size_t p = chunk.first;
    while (static_cast<unsigned char>(journal[p]) & 0x80) ++p;
    ++p;
    return journal.substr(p, chunk.second - 4 - p);
}

// Sends what `send` writes on a new connection and reads the answer.
template <typename Send>
HttpAnswer Exchange(unsigned short port, Send send) {
    HttpAnswer answer;
    try {
        asio::io_context io;
        beast::tcp_stream stream(io);
        stream.expires_after(std::chrono::seconds(60));
        stream.connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
        send(stream);
        beast::flat_buffer buffer;
        http::response_parser<http::string_body> parser;
        parser.body_limit(64 << 20);
        http::read(stream, buffer, parser);
        const auto& response = parser.get();
        answer.status = response.result_int();
        for (const auto& field : response) {
            std::string name(field.name_string());
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            answer.headers[name] = std::string(field.value());
        }
        answer.body = response.body();
    } catch (const std::exception&) {
        answer.status = 0;
    }
    return answer;
}

HttpAnswer Ask(unsigned short port, http::request<http::string_body> request) {
    request.set(http::field::host, "127.0.0.1");
    request.prepare_payload();
    return Exchange(port, [&request](beast::tcp_stream& stream) { http::write(stream, request); });
}

}  // namespace

TestServer::TestServer(std::vector<std::string> extra, std::string data, std::vector<std::string> wrapper)
    : data_(std::move(data)) {
    folder_ = FreshFolder("kubrask-server-test");
    if (data_.empty()) data_ = folder_ + "/data";
    const std::string site = folder_ + "/site";
    mkdir(site.c_str(), 0755);
    WriteFile(site + "/index.html", "<!DOCTYPE html>\n<html><head><title>Kubrask</title></head><body>the game</body></html>\n");
    WriteFile(site + "/kubrask.js", "'use strict';\n");
    std::vector<std::string> args = wrapper;
    for (const char* arg : {KUBRASK_BUILD_DIR "/kubrask-server", "--data", "", "--port", "0", "--site"}) args.emplace_back(arg);
    args[wrapper.size() + 2] = data_;
    args.push_back(site);
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) throw std::runtime_error("no server");
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // It says where it listens once it does.
    std::string said;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (said.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{out[0], POLLIN, 0};
        if (poll(&ready, 1, 1000) <= 0) continue;
        char block[512];
        const ssize_t got = read(out[0], block, sizeof block);
        if (got <= 0) break;
        said.append(block, static_cast<size_t>(got));
    }
    close(out[0]);
    const size_t at = said.find("http://127.0.0.1:");
    if (at == std::string::npos) {
        Kill();
        throw std::runtime_error("the server did not say where it listens: \"" + said + "\"");
    }
    port_ = static_cast<unsigned short>(std::atoi(said.c_str() + at + 17));
}

TestServer::~TestServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void TestServer::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

HttpAnswer Get(unsigned short port, const std::string& target) {
    return Ask(port, http::request<http::string_body>(http::verb::get, target, 11));
}

HttpAnswer Post(unsigned short port, const std::string& target, const std::string& body) {
    http::request<http::string_body> request(http::verb::post, target, 11);
    request.body() = body;
    return Ask(port, std::move(request));
}

HttpAnswer PostHeaderOnly(unsigned short port, const std::string& target, size_t length, bool expectContinue) {
    const std::string header = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(length) +
                               "\r\n" + (expectContinue ? "Expect: 100-continue\r\n" : "") + "\r\n";
    return Exchange(port, [&header](beast::tcp_stream& stream) { asio::write(stream, asio::buffer(header)); });
}

std::string KeptJournal(const std::string& name) { return ReadFile(KUBRASK_SOURCE_DIR "/tests/journals/" + name); }

size_t ChunkCount(const std::string& journal) { return Chunks(journal).size() - 1; }

std::string JoinedChunks(const std::string& journal, size_t at) {
    const auto chunks = Chunks(journal);
    if (at < 1 || at + 1 >= chunks.size()) throw std::runtime_error("no chunks to join there");
    return journal.substr(0, chunks[at].first) +
           journal_format::Chunk(Payload(journal, chunks[at]) + Payload(journal, chunks[at + 1])) +
           journal.substr(chunks[at + 1].second);
}

std::string WithCounter(const std::string& journal, const std::string& counter) {
    const auto chunks = Chunks(journal);
    std::string header;
    journal_format::PutText(header, RulesName());
    journal_format::PutVarint(header, 2);
    journal_format::PutText(header, "random.txt");
    header += '\1';
    journal_format::PutText(header, counter);
    journal_format::PutText(header, "Kubrask.data");
    header += '\0';
    journal_format::PutText(header, "");
    return journal.substr(0, 5) + journal_format::Chunk(header) + journal.substr(chunks[0].second);
}

std::string FirstChunks(const std::string& journal, size_t chunks) {
    const auto all = Chunks(journal);
    return journal.substr(0, all[std::min(chunks, all.size()) - 1].second);
}

std::string PostgresFolder() {
    const char* file = std::getenv("KUBRASK_POSTGRES");
    if (file == nullptr) return "";
    std::string folder;
    try {
        folder = ReadFile(file);
    } catch (const std::exception&) {
        return "";
    }
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == ' ')) folder.pop_back();
    return folder;
}

std::string FreshDatabase(const std::string& folder) {
    std::string url = ReadFile(folder + "/url");
    while (!url.empty() && url.back() == '\n') url.pop_back();
    static int made = 0;
    const std::string name = "kubrask_test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
    PGconn* db = PQconnectdb(url.c_str());
    PGresult* result = PQexec(db, ("CREATE DATABASE " + name).c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    const std::string error = PQerrorMessage(db);
    PQclear(result);
    PQfinish(db);
    if (!ok) throw std::runtime_error("cannot make a database: " + error);
    return url.substr(0, url.rfind('/') + 1) + name;
}

namespace {

bool Postgres(const std::string& action, const std::string& what) {
    return std::system(("bash " KUBRASK_SOURCE_DIR "/tests/postgres.sh " + action + " " + what + " >/dev/null").c_str()) == 0;
}

}  // namespace

OwnPostgres::OwnPostgres() : named_(FreshFolder("kubrask-own-postgres")) {
    if (!Postgres("start", named_ + "/folder")) return;
    folder_ = ReadFile(named_ + "/folder");
    while (!folder_.empty() && folder_.back() == '\n') folder_.pop_back();
}

OwnPostgres::~OwnPostgres() {
    Postgres("stop", named_ + "/folder");
    std::error_code ignored;
    std::filesystem::remove_all(named_, ignored);
}

bool OwnPostgres::Pause() { return Postgres("pause", folder_); }
bool OwnPostgres::Resume() { return Postgres("resume", folder_); }

std::string JsonField(const std::string& json, const std::string& path) {
    nlohmann::json value = nlohmann::json::parse(json, nullptr, false);
    size_t start = 0;
    while (!value.is_discarded() && start <= path.size()) {
        const size_t dot = std::min(path.find('.', start), path.size());
        const std::string key = path.substr(start, dot - start);
        if (value.is_array() && !key.empty() && std::isdigit(static_cast<unsigned char>(key[0])) &&
            std::stoul(key) < value.size())
            value = value[std::stoul(key)];
        else if (value.is_object() && value.contains(key))
            value = value[key];
        else
            return "";
        start = dot + 1;
    }
    if (value.is_discarded()) return "";
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::string FreshFolder(const std::string& name) {
    std::string pattern = "/tmp/" + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no folder");
    return pattern;
}
