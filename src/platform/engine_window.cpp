// Filled in by the engine layer.
