#pragma once
// Brings a setting's control up to date after the setting changed, and switches the
// controls of static parking off while a parking round is worked out. Callable from any
// thread: the changes go through the window's control port.
#include "core/settings/parameter.h"

#include <cstdint>

// The value as decimal text ("GetDlgItem failed for ID {}" in the log when the setting
// has no control).
void gf_refreshIntControl(const IntEditParameter& parameter);
// The value as text, and its row selected in the list.
void gf_refreshIntControl(const ComboBoxParameter& parameter);
// One decimal when the value has a fraction, none otherwise.
void gf_refreshFloatControl(const FloatEditParameter& parameter);
void gf_refreshStringControl(const TextEditParameter& parameter);
void gf_clearControlText(std::uint16_t controlId);

void gf_disableParkControls();
void gf_enableParkControls();
