// Placeholder until the app subsystem has sources.
