// Host: to be written.
