// Capture rules arrive with the search engine.
