// Placeholder until the first tools source lands.
