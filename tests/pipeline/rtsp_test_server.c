/* Serves a live test picture as rtsp://127.0.0.1:PORT/test until killed;
 * with DELAY_MS, no frame goes out before that long after the start: a
 * stream that stalls before its first frame. */
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <stdio.h>
#include <stdlib.h>

static GstElement* gate = NULL;
static gboolean released = FALSE;

static gboolean Release(gpointer unused)
{
    (void)unused;
    released = TRUE;
    if (gate != NULL)
        g_object_set(gate, "drop", FALSE, NULL);
    return G_SOURCE_REMOVE;
}

static void OnMediaConfigure(GstRTSPMediaFactory* factory, GstRTSPMedia* media, gpointer unused)
{
    (void)factory;
    (void)unused;
    GstElement* pipeline = gst_rtsp_media_get_element(media);
    gate = gst_bin_get_by_name_recurse_up(GST_BIN(pipeline), "gate");
    g_object_set(gate, "drop", !released, NULL);
    gst_object_unref(pipeline);
}

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: rtsp-test-server PORT [DELAY_MS]\n");
        return 2;
    }
    GMainLoop* loop = g_main_loop_new(NULL, FALSE);
    GstRTSPServer* server = gst_rtsp_server_new();
    g_object_set(server, "address", "127.0.0.1", "service", argv[1], NULL);
    GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    /* jpegenc needs I420 for the payloader to accept its output. */
    gst_rtsp_media_factory_set_launch(factory,
        "( videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=30/1,format=I420"
        " ! valve name=gate ! jpegenc ! rtpjpegpay name=pay0 pt=26 )");
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    g_signal_connect(factory, "media-configure", G_CALLBACK(OnMediaConfigure), NULL);
    gst_rtsp_mount_points_add_factory(mounts, "/test", factory);
    g_object_unref(mounts);
    if (gst_rtsp_server_attach(server, NULL) == 0) {
        fprintf(stderr, "rtsp-test-server: cannot listen on port %s\n", argv[1]);
        return 1;
    }
    if (argc == 3)
        g_timeout_add((guint)atoi(argv[2]), Release, NULL);
    else
        released = TRUE;
    printf("ready\n");
    fflush(stdout);
    g_main_loop_run(loop);
    return 0;
}
