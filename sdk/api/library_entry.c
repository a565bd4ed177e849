/* Load-time entry of libNorvaneFunc.so: loading the library does nothing. Gateway objects
 * come into existence lazily, when a search or open first needs them. */
