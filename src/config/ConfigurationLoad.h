#pragma once

class frmConfigure;
class frmIgnitionConfig;

// Reads the unit's power-up values and configuration registers into the
// program-wide state and into the two configuration windows (which must
// exist; they may be hidden). Needs the port open. Returns 1 when every read
// succeeded; 0 when one failed, after telling the user and turning the
// matching indicator red. The first failure ends the load, and what was read
// before it stays in effect.
int LoadConfiguration(frmConfigure& configure, frmIgnitionConfig& ignition);
