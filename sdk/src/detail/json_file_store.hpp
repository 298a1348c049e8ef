#pragma once

#include "detail/json.hpp"
#include "detail/store_file.hpp"
#include "velmora/error.hpp"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>

namespace velmora::detail {

/// One durable store over a table kept whole in one JSON file. `Format` gives:
/// `Table`; `fileName`; `corruptMessage` and `saveFailedMessage`; `static Table decode(const
/// json::value&)` (throws on any shape it refuses) and `static void write(const Table&,
/// std::string& out)`, which appends the file's bytes to `out`.
///
/// An actor: its state is touched only on its own thread, and each operation runs there whole
/// (no suspension inside), so operations are serialised and the caller's executor never waits on
/// the disk.
template <class Format> class JSONFileStore {
public:
    using Table = typename Format::Table;

    explicit JSONFileStore(std::optional<std::filesystem::path> fileURL)
        : fileURL_(fileURL ? std::move(*fileURL) : defaultStoreFileURL(Format::fileName)) {}

    ~JSONFileStore() {
        boost::asio::post(pool_, [this] {
            deferredWrite_.cancel();
            writeDeferred();
        });
        pool_.join();
    }

    JSONFileStore(const JSONFileStore&) = delete;
    JSONFileStore& operator=(const JSONFileStore&) = delete;

    /// `inspect(const Table&)`'s result, once the file is loaded.
    template <class F> auto read(F inspect) {
        using Result = std::invoke_result_t<F&, const Table&>;
        return run<Result>([this, inspect = std::move(inspect)]() mutable {
            const Table& values = loadIfNeeded();
            // What a reader acts on (a reset clearing the table, say) must not meet a deferred
            // change undone by a crash.
            writeDeferred();
            return inspect(values);
        });
    }

    /// Applies `edit(Table&)` to a copy of the loaded table, writes the copy, and only then makes
    /// it the store's contents. A failing edit (one that encodes, say) fails as a failed write.
    template <class F> boost::asio::awaitable<void> change(F edit) {
        return run<void>([this, edit = std::move(edit)]() mutable {
            Table next = loadIfNeeded();
            try {
                edit(next);
                writeFile(next);
            } catch (const std::exception&) {
                throw VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                                   std::string(Format::saveFailedMessage));
            }
            values_ = std::move(next);
            // The file now holds every deferred edit too.
            unwritten_ = false;
        });
    }

    /// Applies `edit(Table&)` to the store's contents at once and writes the file later: with the
    /// next change or read, `deferredWriteDelay` after the edit at the latest, or when the store
    /// is destroyed. Only for edits whose loss in a crash is harmless. A failed deferred write
    /// is tried again at the next of those moments.
    template <class F> boost::asio::awaitable<void> changeLater(F edit) {
        return run<void>([this, edit = std::move(edit)]() mutable {
            loadIfNeeded();
            edit(values_);
            if (!unwritten_) {
                unwritten_ = true;
                deferredWrite_.expires_after(deferredWriteDelay);
                deferredWrite_.async_wait([this](boost::system::error_code error) {
                    if (!error) {
                        writeDeferred();
                    }
                });
            }
        });
    }

    static constexpr std::chrono::milliseconds deferredWriteDelay{1000};

private:
    template <class Result, class Body> boost::asio::awaitable<Result> run(Body body) {
        return boost::asio::co_spawn(
            pool_,
            [body = std::move(body)]() mutable -> boost::asio::awaitable<Result> {
                co_return body();
            },
            boost::asio::use_awaitable);
    }

    const Table& loadIfNeeded() {
        if (corrupt_) {
            throw corruptError();
        }
        if (!loaded_) {
            try {
                if (auto bytes = readStoreFile(fileURL_)) {
                    values_ = Format::decode(parseJSON(*bytes));
                }
            } catch (const std::exception&) {
                // What could not be read is never guessed at, nor overwritten later.
                corrupt_ = true;
                throw corruptError();
            }
            loaded_ = true;
        }
        return values_;
    }

    void writeDeferred() noexcept {
        if (!unwritten_ || corrupt_) {
            return;
        }
        try {
            writeFile(values_);
            unwritten_ = false;
        } catch (...) {
            // Nothing is lost: the edits stay in memory and go with the next write.
        }
    }

    void writeFile(const Table& table) {
        // The buffer keeps its capacity from one write to the next.
        buffer_.clear();
        Format::write(table, buffer_);
        // A file the reader would refuse must never replace one it accepts.
        if (buffer_.size() > kMaxStoreFileBytes) {
            throw std::system_error(std::make_error_code(std::errc::file_too_large),
                                    "store file over the size limit");
        }
        writeStoreFileAtomically(fileURL_, buffer_);
    }

    static VelmoraError corruptError() {
        return VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                            std::string(Format::corruptMessage));
    }

    const std::filesystem::path fileURL_;
    Table values_{};
    bool loaded_ = false;
    bool corrupt_ = false;
    /// Whether `values_` holds edits the file lacks.
    bool unwritten_ = false;
    std::string buffer_;
    boost::asio::thread_pool pool_{1};
    boost::asio::steady_timer deferredWrite_{pool_};
};

} // namespace velmora::detail
