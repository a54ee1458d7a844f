// Placeholder until the first views source lands.
