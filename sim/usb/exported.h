#pragma once
// The entry points libusb-sim.so exports: the twelve libusb-0.1 functions the SDK binds, with
// the declarations of the real <usb.h> (the build's export list is read from this file).
#include <usb.h>

#define USB_SIM_API extern "C" __attribute__((visibility("default")))

USB_SIM_API void usb_init(void);
USB_SIM_API int usb_find_busses(void);
USB_SIM_API int usb_find_devices(void);
USB_SIM_API struct usb_bus* usb_get_busses(void);
USB_SIM_API usb_dev_handle* usb_open(struct usb_device* dev);
USB_SIM_API int usb_set_configuration(usb_dev_handle* dev, int configuration);
USB_SIM_API int usb_claim_interface(usb_dev_handle* dev, int interface);
USB_SIM_API int usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout);
USB_SIM_API int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
USB_SIM_API int usb_release_interface(usb_dev_handle* dev, int interface);
USB_SIM_API int usb_close(usb_dev_handle* dev);
USB_SIM_API int usb_reset(usb_dev_handle* dev);
