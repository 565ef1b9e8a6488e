// Filled in by the physics adapter.
