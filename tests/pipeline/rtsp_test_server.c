/* Serves a live test picture as rtsp://127.0.0.1:PORT/test until killed. */
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    if (argc != 2) {
        fprintf(stderr, "usage: rtsp-test-server PORT\n");
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
        " ! jpegenc ! rtpjpegpay name=pay0 pt=26 )");
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    gst_rtsp_mount_points_add_factory(mounts, "/test", factory);
    g_object_unref(mounts);
    if (gst_rtsp_server_attach(server, NULL) == 0) {
        fprintf(stderr, "rtsp-test-server: cannot listen on port %s\n", argv[1]);
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    g_main_loop_run(loop);
    return 0;
}
