#ifndef ZAMCORE_EXPRESSIONS_MEM_BUCKET_H
#define ZAMCORE_EXPRESSIONS_MEM_BUCKET_H

// Owns one heap object until release() hands it on. The parser keeps a
// freshly parsed statement list in one while it builds the root, so that the
// list is deleted if building the root fails.
template <class T>
class mem_bucket {
public:
    explicit mem_bucket(T* held = nullptr) noexcept : held_(held) {}
    mem_bucket(const mem_bucket&) = delete;
    mem_bucket& operator=(const mem_bucket&) = delete;
    virtual ~mem_bucket() {
        delete held_;
        held_ = nullptr;
    }

    // The caller owns the object from now on.
    T* release() noexcept {
        T* held = held_;
        held_ = nullptr;
        return held;
    }

private:
    T* held_;
};

#endif
