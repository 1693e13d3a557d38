/* Host library of the USB AI dongle: connection, firmware, model upload and
 * per-frame inference. Every call returns 0 on success and a negative value
 * on failure (hostedl/README.md lists the codes). Devices are named by the
 * index that edl_add_dev returned. */
#ifndef HOSTEDL_H
#define HOSTEDL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int edl_init_log(const char *dir, const char *file_name);
int edl_lib_init(void);
int edl_add_dev(int dev_type, const char *dev_name);
int edl_lib_start(void);
int edl_report_sys_status(int dev, uint32_t *scpu_fw_id, uint32_t *scpu_build_id,
                          uint16_t *status1, uint16_t *status2, uint32_t *ncpu_fw_id, uint32_t *ncpu_build_id);
int edl_update_fw(int dev, uint32_t *module_id, char *image, int image_len);
int edl_reset_sys(int dev, uint32_t reset_mode);
int edl_start_dme(int dev, uint32_t model_len, char *setup, int setup_len, uint32_t *status, char *model, int model_buf_len);
int edl_dme_configure(int dev, char *config, int config_len, uint32_t *out_value);
int edl_dme_inference(int dev, char *image, int image_len, uint32_t *result_size, uint8_t *result_flag,
                      char *result_buf, uint16_t reserved1, uint16_t reserved2);
int edl_dme_retrieve_res(int dev, uint32_t offset, int len, char *result_buf);
int edl_lib_de_init(void);

#ifdef __cplusplus
}
#endif

#endif
