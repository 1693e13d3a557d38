/* A plain C client of the host library: connect, check the firmware, upload
 * the mask model set, configure, and infer one BGR565 picture.
 * Usage: connect_demo MODEL_DIR IMAGE.bgr565 WIDTH HEIGHT
 * Exit code 0 when at least one face box comes back. */
#include "hostedl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char* read_file(const char* path, long* size)
{
    FILE* f = fopen(path, "rb");
    char* data = NULL;
    if (f == NULL) return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (*size = ftell(f)) > 0 && fseek(f, 0, SEEK_SET) == 0) {
        data = malloc((size_t)*size);
        if (data != NULL && fread(data, 1, (size_t)*size, f) != (size_t)*size) {
            free(data);
            data = NULL;
        }
    }
    fclose(f);
    return data;
}

static void put_u32(char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = (char)(v >> (8 * i));
}

static uint32_t get_u32(const char* p)
{
    const unsigned char* u = (const unsigned char*)p;
    return (uint32_t)u[0] | ((uint32_t)u[1] << 8) | ((uint32_t)u[2] << 16) | ((uint32_t)u[3] << 24);
}

int main(int argc, char** argv)
{
    char path[4096], config[24], answer[8 + 24 * 106];
    long setup_len = 0, model_len = 0, image_len = 0;
    uint32_t fw = 0, build = 0, ncpu_fw = 0, ncpu_build = 0, status = 0, size = 0, value = 0, count, i;
    uint16_t s1 = 0, s2 = 0;
    uint8_t flag = 1;
    int dev, width, height;
    char *setup, *model, *image;

    if (argc != 5) {
        fprintf(stderr, "usage: %s MODEL_DIR IMAGE.bgr565 WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    width = atoi(argv[3]);
    height = atoi(argv[4]);
    snprintf(path, sizeof path, "%s/fw_info.bin", argv[1]);
    setup = read_file(path, &setup_len);
    snprintf(path, sizeof path, "%s/all_models.bin", argv[1]);
    model = read_file(path, &model_len);
    image = read_file(argv[2], &image_len);
    if (setup == NULL || model == NULL || image == NULL || image_len != (long)width * height * 2) {
        fprintf(stderr, "cannot read the model set or the image\n");
        return 1;
    }

    edl_init_log("./", "campus_hostlib.log");
    if (edl_lib_init() < 0 || (dev = edl_add_dev(1, "")) < 0 || edl_lib_start() < 0) {
        fprintf(stderr, "connect failed\n");
        return 1;
    }
    if (edl_report_sys_status(dev, &fw, &build, &s1, &s2, &ncpu_fw, &ncpu_build) != 0) return 1;
    printf("SCPU FW ID: %u\nSCPU Build ID: %u\n", (unsigned)fw, (unsigned)build);
    if (build < 88 || fw < 0x1030000) printf("firmware update needed\n");

    if (edl_start_dme(dev, (uint32_t)model_len, setup, (int)setup_len, &status, model, (int)model_len) != 0) {
        fprintf(stderr, "model upload failed, status %u\n", (unsigned)status);
        return 1;
    }
    put_u32(config, 3);
    put_u32(config + 4, 8);
    put_u32(config + 8, (uint32_t)width);
    put_u32(config + 12, (uint32_t)height);
    put_u32(config + 16, 3);
    put_u32(config + 20, 0x80000060u);
    if (edl_dme_configure(dev, config, 24, &value) != 0) return 1;
    if (edl_dme_inference(dev, image, (int)image_len, &size, &flag, answer, 0, 0) != 0 || size > sizeof answer)
        return 1;
    memset(answer, 0, sizeof answer);
    edl_dme_retrieve_res(dev, 0, (int)size, answer);
    count = get_u32(answer + 4);
    for (i = 0; i < count && 8 + 24 * (i + 1) <= size; ++i) {
        const char* box = answer + 8 + 24 * i;
        float c[5];
        memcpy(c, box, sizeof c);
        printf("face %u: %.0f %.0f %.0f %.0f score %.2f class %d\n", (unsigned)i, c[0], c[1], c[2], c[3], c[4],
               (int)get_u32(box + 20));
    }
    edl_lib_de_init();
    free(setup);
    free(model);
    free(image);
    return count > 0 ? 0 : 1;
}
