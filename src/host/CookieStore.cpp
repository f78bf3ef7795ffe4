// CookieStore: to be written.
