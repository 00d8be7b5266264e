// Filled in by the rules core.
