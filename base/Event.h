// Events as (object, handler) pairs that can be compared for equality.
//
// A port's user list removes a callback by identity and the status light controller saves,
// replaces and restores a port's handlers, so an event must know what it is bound to;
// std::function cannot tell. An event is either empty, bound to a member function of an object
// (the handler is a template argument, so two bindings of the same method to the same object
// compare equal), or bound to a free function.
#pragma once

#include <cstddef>
#include <utility>

class TObject {
 public:
  virtual ~TObject() = default;
};

template <typename Signature>
class TEvent;

template <typename R, typename... Args>
class TEvent<R(Args...)> {
 public:
  using Function = R (*)(Args...);

  constexpr TEvent() = default;
  constexpr TEvent(std::nullptr_t) {}
  constexpr TEvent(Function fn) : fn_(fn) {}

  // TEvent<void(TObject*)>::Bind<&TForm::ButtonClick>(form)
  template <auto Method, typename C>
  static TEvent Bind(C* object) {
    TEvent e;
    e.object_ = static_cast<void*>(object);
    e.stub_ = &Invoke<Method, C>;
    return e;
  }

  R operator()(Args... args) const {
    if (stub_) return stub_(object_, std::forward<Args>(args)...);
    return fn_(std::forward<Args>(args)...);
  }

  explicit operator bool() const { return stub_ != nullptr || fn_ != nullptr; }
  // The object a member binding calls, or nullptr.
  void* Object() const { return object_; }

  friend bool operator==(const TEvent& a, const TEvent& b) {
    return a.object_ == b.object_ && a.stub_ == b.stub_ && a.fn_ == b.fn_;
  }

 private:
  using Stub = R (*)(void*, Args...);

  template <auto Method, typename C>
  static R Invoke(void* object, Args... args) {
    return (static_cast<C*>(object)->*Method)(std::forward<Args>(args)...);
  }

  void* object_ = nullptr;
  Stub stub_ = nullptr;
  Function fn_ = nullptr;
};

using TNotifyEvent = TEvent<void(TObject*)>;
