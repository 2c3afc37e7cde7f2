// Told when one of CWebchatEngine's input operations (InputTextVec, SendCurrText,
// SendImageByCopy) begins and when it has ended, on the GUI thread. Operations do not nest;
// the end comes after the client fetched what was pasted, or after the wait gave up.
#pragma once

class IWebchatInputObserver {
 public:
  virtual void OnInputBegin() = 0;
  virtual void OnInputEnd() = 0;

 protected:
  ~IWebchatInputObserver() = default;
};
