#include "base/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string>* journal;

struct Probe : TComponent {
  Probe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  ~Probe() override { journal->push_back("free " + Name()); }
  TComponent* watched = nullptr;
  void Loaded() override {
    TComponent::Loaded();
    journal->push_back("loaded " + Name());
  }
  void Notification(TComponent* c, TOperation op) override {
    if (op == TOperation::opRemove && c == watched) {
      watched = nullptr;
      journal->push_back(Name() + " lost its peer");
    }
  }
};
}  // namespace

TEST(Component, OwnerFreesItsComponentsLastCreatedFirst) {
  std::vector<std::string> j;
  journal = &j;
  auto* form = new Probe(nullptr, "form");
  new Probe(form, "a");
  new Probe(form, "b");
  ASSERT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->Components()[0]->Name(), "a");
  delete form;
  EXPECT_EQ(j, (std::vector<std::string>{"free form", "free b", "free a"}));
}

TEST(Component, PeersAreToldWhenAWatchedComponentGoesAwayInEitherOrder) {
  std::vector<std::string> j;
  journal = &j;
  {
    Probe port(nullptr, "port");
    auto* lights = new Probe(nullptr, "lights");
    lights->watched = &port;
    port.FreeNotification(lights);
    delete lights;  // the port must forget the lights, or its destructor would touch freed memory
  }
  Probe lights(nullptr, "lights2");
  {
    Probe port(nullptr, "port2");
    lights.watched = &port;
    port.FreeNotification(&lights);
  }
  EXPECT_EQ(lights.watched, nullptr);
  EXPECT_NE(std::find(j.begin(), j.end(), "lights2 lost its peer"), j.end());
}

TEST(Component, LoadingStateEndsWithLoaded) {
  std::vector<std::string> j;
  journal = &j;
  Probe p(nullptr, "p");
  p.BeginLoading();
  EXPECT_TRUE(p.IsLoading());
  p.EndLoading();
  EXPECT_FALSE(p.IsLoading());
  p.EndLoading();  // not loading any more: no second Loaded
  EXPECT_EQ(std::count(j.begin(), j.end(), "loaded p"), 1);
}
