// The small component base of the non-visual components (port, status light controller, report
// elements): an owner that frees what it owns, a name, the owned components in creation order,
// the loading state during which stored settings stream in, and removal notifications.
#pragma once

#include <string>
#include <vector>

#include "base/Event.h"

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
  csLoading = 0x01,
  csDesigning = 0x02,
  csDestroying = 0x04,
};

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Owned components in creation order.
  const std::vector<TComponent*>& Components() const { return components_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }

  unsigned ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDesigning() const { return (state_ & csDesigning) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }

  // Stored settings stream in between BeginLoading and EndLoading; EndLoading calls Loaded.
  void BeginLoading() { state_ |= csLoading; }
  void EndLoading();
  void SetDesigning(bool on) { state_ = on ? state_ | csDesigning : state_ & ~csDesigning; }

  // Asks `other` to be told (Notification opRemove) when this component goes away, and the
  // reverse; either side may be destroyed first.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

 protected:
  virtual void Loaded() { state_ &= ~csLoading; }
  // Called on the owner and its components when a component is inserted or goes away, and on
  // every component that asked through FreeNotification.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void NotifyAll(TComponent* component, TOperation operation);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  unsigned state_ = 0;
};
