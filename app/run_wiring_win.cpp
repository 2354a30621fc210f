#include "app/run_wiring.h"

#include "core/registry.h"

void gf_wirePlatformCalls(RunServices& services) {
  services.core.gf_isP3DInstalled = gf_isP3DInstalled;
  services.core.gf_readP3DSetupPath = gf_readP3DSetupPath;
}
