// Placeholder until the player subsystem has sources.
