// Fuzz target of the boot-loader reply reader: the exchange of a firmware
// update against a line that answers each request with arbitrary bytes.
//
// Input: byte 0 picks the operations (bit 0 sync, 1 get, 2 read memory,
// 3 write memory, 4 erase, 5 go; they run in that order), byte 1 the byte
// count of the read and the write (1 to 128), then the line's chunks, each a
// length byte and that many bytes: the first is on the line before any
// request (stray bytes), each further one arrives with the next request.
//
// Checks the reader's promises: after a request (until the next operation
// drops what is left) it takes no more than one byte past the longest reply
// due (129 bytes); a successful read memory
// hands over exactly the bytes after the ACK of a reply of the length due;
// a successful get leaves a firmware id from 0 to 32767 and the type byte
// of its reply; a failed get keeps type and id as they were.
#include "tools/bootloader.h"

#include "fuzzcheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using namespace ql;
using ql::fuzz::check;

class ScriptLine final : public BootLine {
public:
    ScriptLine(const uint8_t* data, size_t size) : data_(data), size_(size) { pending_ = nextChunk(); }

    bool isOpen() const override { return true; }
    QByteArray read(int max) override
    {
        check(max >= 0);
        const QByteArray out = pending_.left(max);
        pending_.remove(0, out.size());
        takenSinceWrite_ += int(out.size());
        if (afterWrite_)
            check(takenSinceWrite_ <= BootLoader::kBlock + 2);
        return out;
    }
    void write(const QByteArray& bytes) override
    {
        check(!bytes.isEmpty());
        chunks_.push_back(nextChunk());
        pending_ += chunks_.back();
        afterWrite_ = true;
        takenSinceWrite_ = 0;
    }
    // An operation begins: it first drops what the line holds, unbounded
    // by any reply.
    void beginOperation() { afterWrite_ = false; }
    // The bytes that came with request i (counted from 0), and the number
    // of requests so far.
    QByteArray chunk(size_t i) const { return i < chunks_.size() ? chunks_[i] : QByteArray(); }
    size_t requests() const { return chunks_.size(); }

private:
    QByteArray nextChunk()
    {
        if (at_ >= size_)
            return {};
        const size_t want = data_[at_];
        ++at_;
        const size_t n = std::min(want, size_ - at_);
        const QByteArray chunk(reinterpret_cast<const char*>(data_ + at_), qsizetype(n));
        at_ += n;
        return chunk;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    QByteArray pending_;
    std::vector<QByteArray> chunks_;
    bool afterWrite_ = false;
    int takenSinceWrite_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t ops = data[0];
    const int n = data[1] % BootLoader::kBlock + 1;
    auto line = std::make_shared<ScriptLine>(data + 2, size - 2);
    BootLoader boot([](const QString&, const QString&) {});
    boot.setLine(line);
    boot.replyTimeoutMs = 0;  // the chunk due is there at once, or never
    boot.settleMs = 0;

    if (ops & 1) {
        line->beginOperation();
        boot.BootSync();
    }
    if (ops & 2) {
        boot.BootType = 7;
        boot.FwId = 99;
        const size_t get = line->requests();
        line->beginOperation();
        if (boot.BootGet()) {
            const QByteArray r = line->chunk(get);
            check(r.size() >= 8 && boot.BootType == uint8_t(r[3]));
            check(boot.FwId >= 0);
        } else {
            check(boot.BootType == 7 && boot.FwId == 99);
        }
    }
    if (ops & 4) {
        line->beginOperation();
        if (boot.BootReadMem(0x9000, n)) {
            const QByteArray r = line->chunk(line->requests() - 1);
            check(r.size() == n + 1 && uint8_t(r[0]) == BootLoader::kAck);
            for (int i = 0; i < n; ++i)
                check(boot.RdBuf[size_t(i)] == uint8_t(r[i + 1]));
        }
    }
    if (ops & 8) {
        uint8_t block[BootLoader::kBlock];
        for (int i = 0; i < BootLoader::kBlock; ++i)
            block[i] = uint8_t(i * 7 + 3);
        line->beginOperation();
        boot.BootWriteMem(0x9000, block, n);
    }
    if (ops & 16) {
        line->beginOperation();
        boot.BootErase();
    }
    if (ops & 32) {
        line->beginOperation();
        boot.BootGo();
    }
    return 0;
}
