#include "velmora/transport.hpp"

#include "detail/pattern.hpp"
#include "velmora/error.hpp"

#include <boost/asio/associated_cancellation_slot.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/execution/execute.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/execution/relationship.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/system/system_error.hpp>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace velmora {
namespace {

namespace asio = boost::asio;
using Clock = std::chrono::steady_clock;

class CurlCategory : public boost::system::error_category {
public:
    const char* name() const noexcept override { return "curl"; }
    std::string message(int code) const override {
        return curl_easy_strerror(static_cast<CURLcode>(code));
    }
};

const boost::system::error_category& curlCategory() {
    static const CurlCategory category;
    return category;
}

std::exception_ptr curlFailure(CURLcode code) {
    return std::make_exception_ptr(
        boost::system::system_error(boost::system::error_code(code, curlCategory())));
}

std::exception_ptr cancelled() {
    return std::make_exception_ptr(boost::system::system_error(asio::error::operation_aborted));
}

std::exception_ptr tooLarge(std::int64_t status) {
    return std::make_exception_ptr(VelmoraError(VelmoraErrorCode::payloadTooLarge, status,
                                                std::nullopt, "Velmora response is too large."));
}

std::exception_ptr invalidResponse() {
    return std::make_exception_ptr(VelmoraError(VelmoraErrorCode::network, std::nullopt,
                                                std::nullopt,
                                                "Velmora returned an invalid response."));
}

void ensureCurlInitialised() {
    static const bool initialised = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialised;
}

// A time-out as the clock counts it, clamped so that no converted or added time overflows.
Clock::duration clockDuration(std::chrono::duration<double> seconds) {
    constexpr std::chrono::duration<double> longest = std::chrono::hours(24 * 365);
    if (!(seconds > std::chrono::duration<double>::zero()))
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::min(seconds, longest));
}

bool isHeaderSafe(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool isToken(std::string_view text) {
    if (text.empty())
        return false;
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F ||
            std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) !=
                std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Only the path of the URL decides; the query (a download token) plays no role.
std::string_view urlPath(std::string_view url) {
    auto scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return {};
    auto rest = url.substr(scheme + 3);
    auto slash = rest.find_first_of("/?#");
    if (slash == std::string_view::npos || rest[slash] != '/')
        return "";
    auto path = rest.substr(slash);
    return path.substr(0, path.find_first_of("?#"));
}

bool isAttachmentDownload(const VelmoraHTTPRequest& request, std::int64_t status) {
    static const detail::Pattern attachmentPath(
        R"(^/api/widget/v1/sessions/[A-Za-z0-9_-]+/attachments/[A-Za-z0-9_-]+$)");
    return request.method == "GET" && status >= 200 && status <= 299 &&
           attachmentPath.matches(urlPath(request.url));
}

} // namespace

std::optional<std::string> VelmoraHTTPResponse::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (iequals(key, name))
            return value;
    }
    return std::nullopt;
}

class VelmoraURLSessionTransport::Engine : public std::enable_shared_from_this<Engine> {
public:
    Engine() {
        ensureCurlInitialised();
        multi_ = curl_multi_init();
        thread_ = std::thread([this] { run(); });
    }

    ~Engine() {
        {
            std::lock_guard guard(mutex_);
            stopping_ = true;
        }
        curl_multi_wakeup(multi_);
        thread_.join();
        curl_multi_cleanup(multi_);
    }

    void start(VelmoraHTTPRequest request, Handler handler) {
        auto executor = asio::prefer(asio::get_associated_executor(handler),
                                     asio::execution::outstanding_work.tracked);
        auto slot = asio::get_associated_cancellation_slot(handler);
        // Constructed, never assigned: Boost 1.81's any_completion_handler move assignment
        // recurses without end.
        auto transfer = std::make_unique<Transfer>(std::move(handler));
        transfer->id = nextId_.fetch_add(1);
        transfer->request = std::move(request);
        transfer->work = executor;
        if (slot.is_connected()) {
            slot.assign([weak = weak_from_this(), id = transfer->id](asio::cancellation_type) {
                if (auto self = weak.lock())
                    self->cancel(id);
            });
        }
        {
            std::lock_guard guard(mutex_);
            incoming_.push_back(std::move(transfer));
        }
        curl_multi_wakeup(multi_);
    }

private:
    struct Transfer {
        explicit Transfer(Handler h) : handler(std::move(h)) {}
        std::uint64_t id = 0;
        VelmoraHTTPRequest request;
        Handler handler;
        asio::any_completion_executor work;
        CURL* easy = nullptr;
        curl_slist* headerList = nullptr;
        std::size_t bodyOffset = 0;
        int attempts = 0;
        bool headersDone = false;
        std::size_t limit = ordinaryResponseLimit;
        VelmoraHTTPResponse response;
        std::exception_ptr failure;
        Clock::time_point lastActivity = Clock::now();
        /// When the request ends whatever still trickles in.
        Clock::time_point overallDeadline = Clock::time_point::max();

        ~Transfer() {
            if (headerList)
                curl_slist_free_all(headerList);
            if (easy)
                curl_easy_cleanup(easy);
        }
    };

    void cancel(std::uint64_t id) {
        {
            std::lock_guard guard(mutex_);
            cancels_.push_back(id);
        }
        curl_multi_wakeup(multi_);
    }

    // Hands the result to the caller's executor. Every reference this thread held is dropped
    // before the hand-over, so the caller owns the result outright.
    static void complete(std::unique_ptr<Transfer> transfer, std::exception_ptr failure) {
        auto executor = asio::prefer(transfer->work, asio::execution::relationship.fork);
        VelmoraHTTPResponse response;
        if (!failure)
            response = std::move(transfer->response);
        auto deliver = [handler = std::move(transfer->handler), failure = std::move(failure),
                        response = std::move(response)]() mutable {
            asio::get_associated_cancellation_slot(handler).clear();
            std::move(handler)(std::move(failure), std::move(response));
        };
        transfer.reset();
        // Runs on the caller's executor; this thread never runs it, so it is always queued.
        executor.execute(std::move(deliver));
    }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        std::size_t n = size * count;
        t->lastActivity = Clock::now();
        std::string_view line(data, n);
        if (line.starts_with("HTTP/")) {
            // A new status line: an interim (1xx) response's headers are dropped.
            t->response.headers.clear();
            auto space = line.find(' ');
            std::int64_t status = 0;
            if (space != std::string_view::npos) {
                auto digits = line.substr(space + 1, 3);
                std::from_chars(digits.data(), digits.data() + digits.size(), status);
            }
            t->response.statusCode = status;
            return n;
        }
        if (trimSpaces(line).empty()) {
            if (t->response.statusCode >= 100 && t->response.statusCode < 200)
                return n;
            return onHeadersComplete(t) ? n : 0;
        }
        auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            t->response.headers.emplace_back(std::string(trimSpaces(line.substr(0, colon))),
                                             std::string(trimSpaces(line.substr(colon + 1))));
        }
        return n;
    }

    static bool onHeadersComplete(Transfer* t) {
        t->headersDone = true;
        t->limit = isAttachmentDownload(t->request, t->response.statusCode)
                       ? attachmentDownloadLimit
                       : ordinaryResponseLimit;
        std::int64_t declared = -1;
        auto encoding = t->response.header("Transfer-Encoding");
        auto length = t->response.header("Content-Length");
        if (!(encoding && encoding->find("chunked") != std::string::npos) && length) {
            std::int64_t value = 0;
            auto [end, ec] =
                std::from_chars(length->data(), length->data() + length->size(), value);
            if (ec == std::errc() && end == length->data() + length->size())
                declared = value;
            // A length too big to even read is over every limit.
            if (ec == std::errc::result_out_of_range)
                declared = INT64_MAX;
        }
        if (declared > static_cast<std::int64_t>(t->limit)) {
            t->failure = tooLarge(t->response.statusCode);
            return false;
        }
        t->response.body.reserve(std::min<std::size_t>(
            static_cast<std::size_t>(std::max<std::int64_t>(declared, 0)), t->limit));
        return true;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        std::size_t n = size * count;
        t->lastActivity = Clock::now();
        if (t->response.body.size() + n > t->limit) {
            t->failure = tooLarge(t->response.statusCode);
            return 0;
        }
        t->response.body.insert(t->response.body.end(), reinterpret_cast<std::uint8_t*>(data),
                                reinterpret_cast<std::uint8_t*>(data) + n);
        return n;
    }

    static std::size_t onRead(char* buffer, std::size_t size, std::size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        t->lastActivity = Clock::now();
        const Data& body = *t->request.body;
        std::size_t n = std::min(size * count, body.size() - t->bodyOffset);
        std::copy_n(body.data() + t->bodyOffset, n, buffer);
        t->bodyOffset += n;
        return n;
    }

    // Called before every attempt to send. libcurl makes a second attempt on its own when a
    // reused connection dies before the answer; the service may have acted on the first copy,
    // so that attempt is refused and the call fails instead.
    static int onPrerequest(void* user, char*, char*, int, int) {
        auto* t = static_cast<Transfer*>(user);
        return ++t->attempts > 1 ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
    }

    // Returns a failure when the request can't be sent as given.
    std::exception_ptr configure(Transfer& t) {
        const auto& r = t.request;
        auto invalid = [] {
            return std::make_exception_ptr(VelmoraError(VelmoraErrorCode::network, std::nullopt,
                                                        std::nullopt,
                                                        "Velmora request header is invalid."));
        };
        if (!isToken(r.method))
            return invalid();
        for (const auto& [name, value] : r.headers) {
            if (!isToken(name) || !isHeaderSafe(value))
                return invalid();
        }
        if (!isHeaderSafe(r.url))
            return invalid();

        CURL* easy = t.easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
        curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Engine::onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Engine::onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Engine::onPrerequest);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, &t);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);

        if (r.method == "HEAD") {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else if (r.method == "GET" && !r.body) {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else {
            // The body is streamed through a read callback without a seek callback, so libcurl
            // can't rewind it to send the request a second time.
            static const Data empty;
            if (!r.body)
                t.request.body = empty;
            auto size = static_cast<curl_off_t>(t.request.body->size());
            curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Engine::onRead);
            curl_easy_setopt(easy, CURLOPT_READDATA, &t);
            if (r.method == "PUT") {
                curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
                curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, size);
            } else {
                curl_easy_setopt(easy, CURLOPT_POST, 1L);
                curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, size);
                if (r.method != "POST")
                    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, r.method.c_str());
            }
        }
        if (r.method != "GET" && r.method != "HEAD" && r.method != "POST" && r.method != "PUT" &&
            !r.body) {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, r.method.c_str());
        }

        // Suppress "Expect: 100-continue": the body goes out with the request.
        t.headerList = curl_slist_append(t.headerList, "Expect:");
        for (const auto& [name, value] : r.headers) {
            // "Name;" is how libcurl is told to send a header with an empty value.
            std::string line = value.empty() ? name + ";" : name + ": " + value;
            t.headerList = curl_slist_append(t.headerList, line.c_str());
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.headerList);
        return nullptr;
    }

    std::exception_ptr failureFor(Transfer& t, CURLcode code) {
        if (t.failure)
            return std::exchange(t.failure, nullptr);
        if (code == CURLE_OK) {
            long status = 0;
            curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
            if (status <= 0)
                return invalidResponse();
            t.response.statusCode = status;
            return nullptr;
        }
        if (code == CURLE_UNSUPPORTED_PROTOCOL)
            return invalidResponse();
        return curlFailure(code);
    }

    void finish(CURL* easy, std::exception_ptr failure) {
        auto it = active_.find(easy);
        if (it == active_.end())
            return;
        auto transfer = std::move(it->second);
        active_.erase(it);
        curl_multi_remove_handle(multi_, easy);
        complete(std::move(transfer), std::move(failure));
    }

    void run() {
        for (;;) {
            std::deque<std::unique_ptr<Transfer>> incoming;
            std::vector<std::uint64_t> cancels;
            bool stopping;
            {
                std::lock_guard guard(mutex_);
                incoming.swap(incoming_);
                cancels.swap(cancels_);
                stopping = stopping_;
            }
            for (auto& transfer : incoming) {
                if (auto failure = configure(*transfer)) {
                    complete(std::move(transfer), std::move(failure));
                    continue;
                }
                CURL* easy = transfer->easy;
                transfer->lastActivity = Clock::now();
                transfer->overallDeadline = transfer->lastActivity +
                                            clockDuration(transfer->request.timeout *
                                                          VelmoraHTTPRequest::overallTimeoutFactor);
                active_.emplace(easy, std::move(transfer));
                curl_multi_add_handle(multi_, easy);
            }
            for (auto id : cancels) {
                auto it = std::find_if(active_.begin(), active_.end(),
                                       [id](const auto& entry) { return entry.second->id == id; });
                if (it != active_.end())
                    finish(it->first, cancelled());
            }
            if (stopping) {
                while (!active_.empty())
                    finish(active_.begin()->first, cancelled());
                return;
            }

            int running = 0;
            curl_multi_perform(multi_, &running);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
                if (message->msg != CURLMSG_DONE)
                    continue;
                auto it = active_.find(message->easy_handle);
                if (it == active_.end())
                    continue;
                finish(message->easy_handle, failureFor(*it->second, message->data.result));
            }

            auto now = Clock::now();
            auto wait = std::chrono::milliseconds(1000);
            std::vector<CURL*> idle;
            for (const auto& [easy, transfer] : active_) {
                // Each byte restarts the idle time-out, never the overall one.
                auto deadline =
                    std::min(transfer->lastActivity + clockDuration(transfer->request.timeout),
                             transfer->overallDeadline);
                if (deadline <= now) {
                    idle.push_back(easy);
                } else {
                    wait = std::min(wait,
                                    std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
                }
            }
            for (CURL* easy : idle)
                finish(easy, curlFailure(CURLE_OPERATION_TIMEDOUT));
            if (!idle.empty())
                continue;
            curl_multi_poll(multi_, nullptr, 0, static_cast<int>(wait.count()), nullptr);
        }
    }

    CURLM* multi_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    bool stopping_ = false;
    std::deque<std::unique_ptr<Transfer>> incoming_;
    std::vector<std::uint64_t> cancels_;
    std::map<CURL*, std::unique_ptr<Transfer>> active_;
    std::atomic<std::uint64_t> nextId_{1};
};

VelmoraURLSessionTransport::VelmoraURLSessionTransport() : engine_(std::make_shared<Engine>()) {}

VelmoraURLSessionTransport::~VelmoraURLSessionTransport() = default;

void VelmoraURLSessionTransport::asyncSend(VelmoraHTTPRequest request, Handler handler) {
    engine_->start(std::move(request), std::move(handler));
}

} // namespace velmora
