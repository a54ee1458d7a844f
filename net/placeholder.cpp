// Placeholder until the first server-link source lands.
