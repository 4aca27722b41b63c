// TClosure: an event handler bound to an object and one of its methods, or to a free callable.
//
// Handlers are compared by object and method identity, as the class library's closures are: a
// screen that swaps handlers in and out (the widget edit mode) must be able to tell its own
// handler from another one. Free callables (lambdas) compare equal only to copies of themselves.
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

template <class Sig>
class TClosure;

template <class R, class... A>
class TClosure<R(A...)> {
public:
    TClosure() = default;
    TClosure(std::nullptr_t) {}

    template <class C, class M>
        requires std::is_member_function_pointer_v<M>
    TClosure(C* obj, M method) : obj_(obj) {
        static_assert(sizeof(M) <= sizeof(method_), "member pointer too large");
        std::memset(method_, 0, sizeof(method_));
        std::memcpy(method_, &method, sizeof(M));
        thunk_ = [](const TClosure& self, A... args) -> R {
            M m;
            std::memcpy(&m, self.method_, sizeof(M));
            return (static_cast<C*>(self.obj_)->*m)(std::forward<A>(args)...);
        };
    }

    // Any callable; compares equal only to copies of this closure.
    template <class F>
        requires(!std::is_same_v<std::decay_t<F>, TClosure> && !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
                 std::is_invocable_r_v<R, F&, A...>)
    TClosure(F&& f) : fn_(std::make_shared<std::function<R(A...)>>(std::forward<F>(f))) {
        thunk_ = [](const TClosure& self, A... args) -> R { return (*self.fn_)(std::forward<A>(args)...); };
    }

    explicit operator bool() const noexcept { return thunk_ != nullptr; }
    bool Assigned() const noexcept { return thunk_ != nullptr; }

    R operator()(A... args) const {
        if (!thunk_) {
            if constexpr (std::is_void_v<R>) return;
            else return R{};
        }
        return thunk_(*this, std::forward<A>(args)...);
    }

    // The object a method closure is bound to (nullptr for free callables).
    void* Data() const noexcept { return obj_; }

    friend bool operator==(const TClosure& a, const TClosure& b) noexcept {
        if (a.fn_ || b.fn_) return a.fn_ == b.fn_;
        return a.obj_ == b.obj_ && a.thunk_ == b.thunk_ && std::memcmp(a.method_, b.method_, sizeof(a.method_)) == 0;
    }
    friend bool operator==(const TClosure& a, std::nullptr_t) noexcept { return !a.thunk_; }

private:
    void* obj_ = nullptr;
    alignas(void*) unsigned char method_[2 * sizeof(void*)] = {};
    R (*thunk_)(const TClosure&, A...) = nullptr;
    std::shared_ptr<std::function<R(A...)>> fn_;
};
