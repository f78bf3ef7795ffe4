// HttpFetch: to be written.
