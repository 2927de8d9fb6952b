// HTTP through Boost.Beast: see http.h.
#include "server/http.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

namespace {

struct Shared {
    HttpOptions options;
    Handler handler;
};

// The last address a proxy appended, trimmed.
std::string ForwardedFor(beast::string_view header) {
    std::string value(header);
    const size_t comma = value.rfind(',');
    std::string last = comma == std::string::npos ? value : value.substr(comma + 1);
    const size_t start = last.find_first_not_of(" \t"), end = last.find_last_not_of(" \t");
    return start == std::string::npos ? std::string() : last.substr(start, end - start + 1);
}

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, std::shared_ptr<const Shared> shared)
        : stream_(std::move(socket)), shared_(std::move(shared)) {}

    void Start() {
        asio::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->Read(); });
    }

private:
    void Read() {
        parser_.emplace();
        parser_->header_limit(8 * 1024);
        parser_->body_limit(shared_->options.bodyLimit);
        stream_.expires_after(std::chrono::seconds(shared_->options.timeoutSeconds));
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = shared_from_this()](beast::error_code error, size_t) { self->OnHeader(error); });
    }

    // A client that asks before sending its body (curl does, for a journal)
    // is told to go on, or refused before it sends what is too large.
    void OnHeader(beast::error_code error) {
        if (error) return OnRead(error);
        const auto& header = parser_->get();
        if (!beast::iequals(header[http::field::expect], "100-continue")) return ReadBody();
        if (parser_->content_length() && *parser_->content_length() > shared_->options.bodyLimit)
            return OnRead(http::error::body_limit);
        continue_ = std::make_unique<http::response<http::empty_body>>(http::status::continue_, header.version());
        http::async_write(stream_, *continue_, [self = shared_from_this()](beast::error_code error, size_t) {
            self->continue_.reset();
            if (error) return self->Close();
            self->ReadBody();
        });
    }

    void ReadBody() {
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code error, size_t) { self->OnRead(error); });
    }

    void OnRead(beast::error_code error) {
        if (error == http::error::body_limit || error == http::error::header_limit) {
            const bool body = error == http::error::body_limit;
            Request request = parser_->get();
            request.keep_alive(false);
            Write(MakeResponse(request, body ? http::status::payload_too_large : http::status::request_header_fields_too_large,
                               body ? "{\"error\": \"too large\", \"reason\": \"a journal is never larger than " +
                                          std::to_string(shared_->options.bodyLimit) + " bytes\"}\n"
                                    : "{\"error\": \"too large\", \"reason\": \"the request's headers are too large\"}\n",
                               "application/json"));
            return;
        }
        if (error) return Close();  // ended, timed out, or not HTTP
        Client client;
        beast::error_code ignored;
        client.address = stream_.socket().remote_endpoint(ignored).address().to_string();
        Request request = parser_->release();
        if (shared_->options.behindProxy) {
            const auto forwarded = request.find("X-Forwarded-For");
            if (forwarded != request.end() && !ForwardedFor(forwarded->value()).empty())
                client.address = ForwardedFor(forwarded->value());
        }
        // Nothing more is read until the answer is written.
        stream_.expires_never();
        shared_->handler(std::move(request), client, [self = shared_from_this()](Response response) {
            asio::post(self->stream_.get_executor(),
                       [self, response = std::move(response)]() mutable { self->Write(std::move(response)); });
        });
    }

    void Write(Response response) {
        response_ = std::make_unique<Response>(std::move(response));
        response_->prepare_payload();
        stream_.expires_after(std::chrono::seconds(shared_->options.timeoutSeconds));
        http::async_write(stream_, *response_, [self = shared_from_this()](beast::error_code error, size_t) {
            const bool again = !error && self->response_->keep_alive();
            self->response_.reset();
            if (again)
                self->Read();
            else
                self->Close();
        });
    }

    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.close();
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::unique_ptr<Response> response_;
    std::unique_ptr<http::response<http::empty_body>> continue_;
    std::shared_ptr<const Shared> shared_;
};

void Accept(tcp::acceptor& acceptor, asio::io_context& io, const std::shared_ptr<const Shared>& shared) {
    acceptor.async_accept(asio::make_strand(io), [&acceptor, &io, shared](beast::error_code error, tcp::socket socket) {
        if (!error) std::make_shared<Session>(std::move(socket), shared)->Start();
        if (acceptor.is_open()) Accept(acceptor, io, shared);
    });
}

}  // namespace

Response MakeResponse(const Request& request, http::status status, std::string body, const std::string& type) {
    Response response{status, request.version()};
    response.set(http::field::server, "kubrask-server");
    response.set(http::field::content_type, type);
    response.keep_alive(request.keep_alive());
    response.body() = std::move(body);
    return response;
}

bool ServeHttp(const HttpOptions& options, Handler handler, std::function<void(unsigned short)> listening) {
    auto shared = std::make_shared<const Shared>(Shared{options, std::move(handler)});
    asio::io_context io(options.threads);
    tcp::acceptor acceptor(io);
    beast::error_code error;
    const auto address = asio::ip::make_address(options.address, error);
    if (error) {
        std::fprintf(stderr, "kubrask-server: %s is no address to listen on\n", options.address.c_str());
        return false;
    }
    const tcp::endpoint endpoint(address, options.port);
    acceptor.open(endpoint.protocol(), error);
    if (!error) acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) acceptor.bind(endpoint, error);
    if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        std::fprintf(stderr, "kubrask-server: cannot listen on %s port %u: %s\n", options.address.c_str(),
                     static_cast<unsigned>(options.port), error.message().c_str());
        return false;
    }
    listening(acceptor.local_endpoint().port());
    Accept(acceptor, io, shared);
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](beast::error_code, int) {
        acceptor.close();
        io.stop();
    });
    std::vector<std::thread> threads;
    for (int i = 1; i < options.threads; ++i) threads.emplace_back([&io] { io.run(); });
    io.run();
    for (std::thread& thread : threads) thread.join();
    return true;
}
