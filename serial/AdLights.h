// What a status light controller switches: a lamp that is lit or not, and the set of eight lamps
// of one controller. Qt-free, so that the controller and its tests build without a display; the
// on-screen lamp implements TApdLamp.
#pragma once

#include <array>
#include <memory>

class TApdLamp {
 public:
  TApdLamp() : self_(std::make_shared<TApdLamp*>(this)) {}
  // Every light set that refers to the lamp sees an empty reference from now on.
  virtual ~TApdLamp() { *self_ = nullptr; }
  TApdLamp(const TApdLamp&) = delete;
  TApdLamp& operator=(const TApdLamp&) = delete;

  virtual bool Lit() const = 0;
  virtual void SetLit(bool lit) = 0;

 private:
  friend class TLightSet;
  std::shared_ptr<TApdLamp*> self_;
};

// The eight lamps of a controller, in this order. The set does not own them; a lamp that is
// destroyed leaves an empty reference.
class TLightSet {
 public:
  // Positions of the lamps; plain names such as ERROR would clash with platform macros.
  enum Index {
    CtsIndex,
    DsrIndex,
    DcdIndex,
    RingIndex,
    TxdIndex,
    RxdIndex,
    ErrorIndex,
    BreakIndex,
    LightCount
  };

  TApdLamp* Light(int index) const {
    const auto& ref = lights_.at(static_cast<size_t>(index));
    return ref ? *ref : nullptr;
  }
  void SetLight(int index, TApdLamp* light) {
    lights_.at(static_cast<size_t>(index)) = light ? light->self_ : nullptr;
  }

  TApdLamp* CTSLight() const { return Light(CtsIndex); }
  void SetCTSLight(TApdLamp* l) { SetLight(CtsIndex, l); }
  TApdLamp* DSRLight() const { return Light(DsrIndex); }
  void SetDSRLight(TApdLamp* l) { SetLight(DsrIndex, l); }
  TApdLamp* DCDLight() const { return Light(DcdIndex); }
  void SetDCDLight(TApdLamp* l) { SetLight(DcdIndex, l); }
  TApdLamp* RINGLight() const { return Light(RingIndex); }
  void SetRINGLight(TApdLamp* l) { SetLight(RingIndex, l); }
  TApdLamp* TXDLight() const { return Light(TxdIndex); }
  void SetTXDLight(TApdLamp* l) { SetLight(TxdIndex, l); }
  TApdLamp* RXDLight() const { return Light(RxdIndex); }
  void SetRXDLight(TApdLamp* l) { SetLight(RxdIndex, l); }
  TApdLamp* ERRORLight() const { return Light(ErrorIndex); }
  void SetERRORLight(TApdLamp* l) { SetLight(ErrorIndex, l); }
  TApdLamp* BREAKLight() const { return Light(BreakIndex); }
  void SetBREAKLight(TApdLamp* l) { SetLight(BreakIndex, l); }

 private:
  std::array<std::shared_ptr<TApdLamp*>, LightCount> lights_;
};
