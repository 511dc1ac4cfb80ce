/* The USB bridge library's interface (libSiUSBXp.so): CP210x USB-to-serial
 * devices seen as numbered devices with serial-number strings. Timeouts are
 * library-wide. Every function returns an SI_STATUS. */
#ifndef SIUSBXP_H
#define SIUSBXP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What the bridge libraries export. */
#ifdef _WIN32
#define SI_VISIBLE __declspec(dllexport)
#else
#define SI_VISIBLE __attribute__((visibility("default")))
#endif

typedef int32_t SI_STATUS;
typedef void* SI_HANDLE;

#define SI_SUCCESS 0x00
#define SI_DEVICE_NOT_FOUND 0x01
#define SI_INVALID_HANDLE 0x02
#define SI_READ_ERROR 0x03
#define SI_RX_QUEUE_NOT_READY 0x04
#define SI_WRITE_ERROR 0x05
#define SI_RESET_ERROR 0x06
#define SI_INVALID_PARAMETER 0x07
#define SI_INVALID_REQUEST_LENGTH 0x08
#define SI_DEVICE_IO_FAILED 0x09
#define SI_INVALID_BAUDRATE 0x0A
#define SI_FUNCTION_NOT_SUPPORTED 0x0B
#define SI_GLOBAL_DATA_ERROR 0x0C
#define SI_READ_TIMED_OUT 0x0D
#define SI_WRITE_TIMED_OUT 0x0E
#define SI_IO_PENDING 0x0F

/* Product string kinds. */
#define SI_RETURN_SERIAL_NUMBER 0x00
#define SI_RETURN_DESCRIPTION 0x01
#define SI_RETURN_LINK_NAME 0x02

#define SI_MAX_DEVICE_STRLEN 256

/* Line control: bits 8-11 data bits, 4-7 parity, 0-3 stop bits. */
#define SI_LINE_8N1 0x0800

/* Receive queue status. */
#define SI_RX_NO_OVERRUN 0x00
#define SI_RX_EMPTY 0x00
#define SI_RX_READY 0x02

SI_STATUS SI_GetNumDevices(uint32_t* num_devices);
SI_STATUS SI_GetProductString(uint32_t device_num, char* device_string, uint32_t options);
SI_STATUS SI_Open(uint32_t device_num, SI_HANDLE* handle);
SI_STATUS SI_Close(SI_HANDLE handle);
SI_STATUS SI_Read(SI_HANDLE handle, void* buffer, uint32_t bytes_to_read, uint32_t* bytes_returned,
                  void* overlapped);
SI_STATUS SI_Write(SI_HANDLE handle, const void* buffer, uint32_t bytes_to_write,
                   uint32_t* bytes_written, void* overlapped);
SI_STATUS SI_FlushBuffers(SI_HANDLE handle, uint8_t flush_transmit, uint8_t flush_receive);
SI_STATUS SI_SetTimeouts(uint32_t read_timeout_ms, uint32_t write_timeout_ms);
SI_STATUS SI_GetTimeouts(uint32_t* read_timeout_ms, uint32_t* write_timeout_ms);
SI_STATUS SI_CheckRXQueue(SI_HANDLE handle, uint32_t* bytes_in_queue, uint32_t* queue_status);
SI_STATUS SI_SetBaudRate(SI_HANDLE handle, uint32_t baud_rate);
SI_STATUS SI_SetLineControl(SI_HANDLE handle, uint16_t line_control);
SI_STATUS SI_SetFlowControl(SI_HANDLE handle, uint8_t cts_mask_code, uint8_t rts_mask_code,
                            uint8_t dtr_mask_code, uint8_t dsr_mask_code, uint8_t dcd_mask_code,
                            int32_t flow_xon_xoff);

#ifdef __cplusplus
}
#endif

#endif /* SIUSBXP_H */
