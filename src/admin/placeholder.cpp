// This subsystem's sources are added as it is built.
