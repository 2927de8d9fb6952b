// HTTP for the score server, through Boost.Beast over Asio: a listener on
// one address, each connection read and written on a strand of its own,
// requests held to their limits (a body no larger than a journal may be,
// refused before it is read; headers of 8 KB; 10 s to send a request or
// say nothing more), and answers that may come later, from any thread.
#pragma once

#include <boost/beast/http.hpp>
#include <functional>
#include <string>

namespace http = boost::beast::http;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

// Who sent a request: the connection's address, or, for a server told it
// stands behind a proxy, the address the proxy put last in X-Forwarded-For.
struct Client {
    std::string address;
};

using Reply = std::function<void(Response)>;  // called once, from any thread
using Handler = std::function<void(Request&&, const Client&, Reply)>;

struct HttpOptions {
    std::string address = "127.0.0.1";
    unsigned short port = 8000;
    int threads = 1;
    bool behindProxy = false;
    size_t bodyLimit = 1 << 20;
    int timeoutSeconds = 10;
};

// Serves until SIGINT or SIGTERM; `listening` hears the port taken (port 0
// takes any free one). Returns false, saying why on standard error, when
// the address cannot be listened on.
bool ServeHttp(const HttpOptions& options, Handler handler, std::function<void(unsigned short)> listening);

// A response of `status` with `body` of `type`, kept alive as the request asks.
Response MakeResponse(const Request& request, http::status status, std::string body, const std::string& type);
