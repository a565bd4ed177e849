/* Load-time entry of libHalbox.so: loading the library opens no card. The cards' state is static
 * and comes into use with the first Marlix_OpenDevice. */
