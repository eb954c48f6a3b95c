// Placeholder until the profiles subsystem has sources.
