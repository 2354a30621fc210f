#pragma once
// What the link declares to the simulator after each successful open: its system event
// subscriptions, its data definitions, its client events with their notification group.

// Calls every declaration in its order on the open handle; the results are not examined (a
// declaration the simulator refuses comes back as an exception). Never throws.
void gf_registerSimData() noexcept;
