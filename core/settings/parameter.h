#pragma once
// Parameter objects: every setting of the program is one global object holding its name,
// default, limits and current value, and for the settings the main window shows, the id
// and row of the control that shows it. The objects themselves are in parameters.h.
//
// Values are read and written by several threads (GUI, worker, simulator link, feed
// readers, scan workers): bool, int32 and float values are atomics, text values are kept
// under a small lock and handed out as copies.
//
// A value assigned by code is taken as it is; whoever takes a value from outside (the
// settings file, an edit box, an old setting) clamps it to [min, max] first.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// A text that several threads read and write.
class SharedText {
public:
  explicit SharedText(std::string text = {}) : text_(std::move(text)) {}
  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;
  std::string get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  void set(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
  }

private:
  mutable std::mutex mutex_;
  std::string text_;
};

class ParameterBase {
public:
  explicit ParameterBase(std::string name) : name(std::move(name)) {}
  ParameterBase(const ParameterBase&) = delete;
  ParameterBase& operator=(const ParameterBase&) = delete;
  virtual ~ParameterBase() = default;

  // The key in parameters.xml and in the airport files' header, a meta key, or the
  // caption of a push button.
  const std::string name;
};

class BoolParameter : public ParameterBase {
public:
  BoolParameter(std::string name, bool defaultValue)
      : ParameterBase(std::move(name)), defaultValue(defaultValue), value_(defaultValue) {}
  bool get() const { return value_.load(); }
  void set(bool value) { value_.store(value); }
  // "NAME=true" or "NAME=false", unless the run is stopping.
  void logValue() const;

  const bool defaultValue;

private:
  std::atomic<bool> value_;
};

class IntParameter : public ParameterBase {
public:
  IntParameter(std::string name, std::int32_t defaultValue, std::int32_t min, std::int32_t max)
      : ParameterBase(std::move(name)), defaultValue(defaultValue), min(min), max(max), value_(defaultValue) {}
  std::int32_t get() const { return value_.load(); }
  void set(std::int32_t value) { value_.store(value); }
  std::int32_t clamp(std::int32_t value) const { return value < min ? min : (value > max ? max : value); }
  // "NAME=value" in decimal, unless the run is stopping.
  void logValue() const;

  const std::int32_t defaultValue;
  const std::int32_t min;
  const std::int32_t max;

private:
  std::atomic<std::int32_t> value_;
};

class FloatParameter : public ParameterBase {
public:
  FloatParameter(std::string name, float defaultValue, float min, float max)
      : ParameterBase(std::move(name)), defaultValue(defaultValue), min(min), max(max), value_(defaultValue) {}
  float get() const { return value_.load(); }
  void set(float value) { value_.store(value); }

  const float defaultValue;
  const float min;
  const float max;

private:
  std::atomic<float> value_;
};

class StringParameter : public ParameterBase {
public:
  StringParameter(std::string name, std::string defaultValue)
      : ParameterBase(std::move(name)), defaultValue(std::move(defaultValue)), value_(this->defaultValue) {}
  std::string get() const { return value_.get(); }
  void set(std::string value) { value_.set(std::move(value)); }
  // NAME="value", unless the run is stopping.
  void logValue() const;

  const std::string defaultValue;

private:
  SharedText value_;
};

// The part of a setting that the main window shows. The window keeps its own window
// handles; it finds a setting's control by the control id (see control_port.h).
struct ParameterControl {
  // Also the child-window id of the control (32771 to 32858).
  const std::uint16_t controlId;
  // Pixel row of the control in the main window, for layout and painting.
  const std::int32_t rowY;
};

class CheckBoxParameter : public BoolParameter, public ParameterControl {
public:
  CheckBoxParameter(std::string name, bool defaultValue, std::uint16_t controlId, std::int32_t rowY)
      : BoolParameter(std::move(name), defaultValue), ParameterControl{controlId, rowY} {}
};

// A drop-down list of numbers. The choices ascend; min is the first and max the last; the
// selected row is the index of the value among the choices.
class ComboBoxParameter : public IntParameter, public ParameterControl {
public:
  ComboBoxParameter(std::string name, std::int32_t defaultValue, const std::vector<std::int32_t>& choices,
                    std::uint16_t controlId, std::int32_t rowY)
      : IntParameter(std::move(name), defaultValue, choices.front(), choices.back()), ParameterControl{controlId, rowY},
        choices(choices) {}
  // The row of a value in the list, -1 when it is no choice.
  std::int32_t choiceRow(std::int32_t value) const;

  const std::vector<std::int32_t> choices;
};

class IntEditParameter : public IntParameter, public ParameterControl {
public:
  IntEditParameter(std::string name, std::int32_t defaultValue, std::int32_t min, std::int32_t max,
                   std::uint16_t controlId, std::int32_t rowY)
      : IntParameter(std::move(name), defaultValue, min, max), ParameterControl{controlId, rowY} {}
};

class FloatEditParameter : public FloatParameter, public ParameterControl {
public:
  FloatEditParameter(std::string name, float defaultValue, float min, float max, std::uint16_t controlId,
                     std::int32_t rowY)
      : FloatParameter(std::move(name), defaultValue, min, max), ParameterControl{controlId, rowY} {}
};

class TextEditParameter : public StringParameter, public ParameterControl {
public:
  TextEditParameter(std::string name, std::string defaultValue, std::uint16_t controlId, std::int32_t rowY)
      : StringParameter(std::move(name), std::move(defaultValue)), ParameterControl{controlId, rowY} {}
};

// A push button carries no value: the name is its caption.
class ButtonParameter : public ParameterBase, public ParameterControl {
public:
  ButtonParameter(std::string caption, std::uint16_t controlId, std::int32_t rowY)
      : ParameterBase(std::move(caption)), ParameterControl{controlId, rowY} {}
};

// Rebuilds the drop-down's rows from the choices and selects the value's row (none when
// the value is no choice).
void gf_fillComboBox(const ComboBoxParameter& parameter);
// Shows the value in the edit box; never throws.
void gf_refreshTextEditControl(const TextEditParameter& parameter);
