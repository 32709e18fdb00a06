// Reader interface for LAZ (and plain LAS) files: the laszip_* calls, types
// and structs the point loader uses, implemented by our own decoder.
// Every call returns 0 on success and non-zero on failure; the handle's
// error text (laszip_get_error) then says why.
#pragma once
#include <cstdint>

typedef int laszip_BOOL;
typedef uint8_t laszip_U8;
typedef uint16_t laszip_U16;
typedef uint32_t laszip_U32;
typedef uint64_t laszip_U64;
typedef int8_t laszip_I8;
typedef int16_t laszip_I16;
typedef int32_t laszip_I32;
typedef int64_t laszip_I64;
typedef char laszip_CHAR;
typedef float laszip_F32;
typedef double laszip_F64;
typedef void* laszip_POINTER;

typedef struct laszip_vlr {
    laszip_U16 reserved;
    laszip_CHAR user_id[16];  // as in the file, not necessarily NUL-terminated
    laszip_U16 record_id;
    laszip_U16 record_length_after_header;
    laszip_CHAR description[32];  // as in the file, not necessarily NUL-terminated
    laszip_U8* data;
} laszip_vlr_struct;

typedef struct laszip_header {
    laszip_U16 file_source_ID;
    laszip_U16 global_encoding;
    laszip_U32 project_ID_GUID_data_1;
    laszip_U16 project_ID_GUID_data_2;
    laszip_U16 project_ID_GUID_data_3;
    laszip_CHAR project_ID_GUID_data_4[8];
    laszip_U8 version_major;
    laszip_U8 version_minor;
    laszip_CHAR system_identifier[32];
    laszip_CHAR generating_software[32];
    laszip_U16 file_creation_day;
    laszip_U16 file_creation_year;
    laszip_U16 header_size;
    laszip_U32 offset_to_point_data;  // without the LAZ record, which is not passed on
    laszip_U32 number_of_variable_length_records;
    laszip_U8 point_data_format;  // compression bits cleared: 0..10
    laszip_U16 point_data_record_length;
    laszip_U32 number_of_point_records;
    laszip_U32 number_of_points_by_return[5];
    laszip_F64 x_scale_factor;
    laszip_F64 y_scale_factor;
    laszip_F64 z_scale_factor;
    laszip_F64 x_offset;
    laszip_F64 y_offset;
    laszip_F64 z_offset;
    laszip_F64 max_x;
    laszip_F64 min_x;
    laszip_F64 max_y;
    laszip_F64 min_y;
    laszip_F64 max_z;
    laszip_F64 min_z;
    laszip_U64 start_of_waveform_data_packet_record;            // LAS 1.3+, else 0
    laszip_U64 start_of_first_extended_variable_length_record;  // LAS 1.4, else 0
    laszip_U32 number_of_extended_variable_length_records;
    laszip_U64 extended_number_of_point_records;  // LAS 1.4 only, else 0
    laszip_U64 extended_number_of_points_by_return[15];
    laszip_U32 user_data_in_header_size;
    laszip_U8* user_data_in_header;
    laszip_vlr_struct* vlrs;
    laszip_U32 user_data_after_header_size;
    laszip_U8* user_data_after_header;
} laszip_header_struct;

typedef struct laszip_point {
    laszip_I32 X;
    laszip_I32 Y;
    laszip_I32 Z;
    laszip_U16 intensity;
    laszip_U8 return_number : 3;
    laszip_U8 number_of_returns : 3;
    laszip_U8 scan_direction_flag : 1;
    laszip_U8 edge_of_flight_line : 1;
    laszip_U8 classification : 5;
    laszip_U8 synthetic_flag : 1;
    laszip_U8 keypoint_flag : 1;
    laszip_U8 withheld_flag : 1;
    laszip_I8 scan_angle_rank;
    laszip_U8 user_data;
    laszip_U16 point_source_ID;
    // formats 6-10
    laszip_I16 extended_scan_angle;
    laszip_U8 extended_point_type : 2;
    laszip_U8 extended_scanner_channel : 2;
    laszip_U8 extended_classification_flags : 4;
    laszip_U8 extended_classification;
    laszip_U8 extended_return_number : 4;
    laszip_U8 extended_number_of_returns : 4;
    laszip_U8 dummy[7];
    laszip_F64 gps_time;
    laszip_U16 rgb[4];
    laszip_U8 wave_packet[29];
    laszip_I32 num_extra_bytes;
    laszip_U8* extra_bytes;
} laszip_point_struct;

laszip_I32 laszip_create(laszip_POINTER* pointer);
laszip_I32 laszip_destroy(laszip_POINTER pointer);
laszip_I32 laszip_get_error(laszip_POINTER pointer, laszip_CHAR** error);
// What the open file's header said that its points were read past (a record
// cut at them, records counted that are not there, an offset to point data
// inside a record); null when nothing.
laszip_I32 laszip_get_warning(laszip_POINTER pointer, laszip_CHAR** warning);
laszip_I32 laszip_open_reader(laszip_POINTER pointer, const laszip_CHAR* file_name, laszip_BOOL* is_compressed);
laszip_I32 laszip_get_header_pointer(laszip_POINTER pointer, laszip_header_struct** header_pointer);
laszip_I32 laszip_get_point_pointer(laszip_POINTER pointer, laszip_point_struct** point_pointer);
// The file's point count: the LAS 1.4 count where it is set, else the legacy count.
laszip_I32 laszip_get_point_count(laszip_POINTER pointer, laszip_I64* count);
laszip_I32 laszip_read_point(laszip_POINTER pointer);
laszip_I32 laszip_seek_point(laszip_POINTER pointer, laszip_I64 index);
laszip_I32 laszip_close_reader(laszip_POINTER pointer);

// Our additions.
// The point last read as its LAS record (point_data_record_length bytes, exactly as
// in an uncompressed file). Valid until the next read, seek or close.
laszip_I32 laszip_get_point_record(laszip_POINTER pointer, const laszip_U8** record);
// Number of threads that decode chunks ahead: 0 = one per core (the default, or
// the VELKA_LAZ_THREADS environment variable), 1 = decode on the caller's thread.
// Takes effect at the next open_reader.
laszip_I32 laszip_set_decoder_threads(laszip_POINTER pointer, laszip_I32 threads);
// Most points the open file can hold (its record space, or its complete chunk
// table); UINT64_MAX when nothing bounds them. Reads no point.
laszip_I32 laszip_get_point_capacity(laszip_POINTER pointer, laszip_U64* capacity);
