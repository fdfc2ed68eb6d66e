// The control panel's model is public (tovrak/control_panel.hpp); the core
// reaches it through its apartment's module.
#pragma once

#include "tovrak/control_panel.hpp"

namespace tovrak::core {

class Module;
using tovrak::ControlPanel;

// The control panel of an apartment's component, created on first use. It
// is not loaded until a view loads it.
ControlPanel& ControlPanelOf(Module& module);

}  // namespace tovrak::core
