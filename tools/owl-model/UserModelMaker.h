#pragma once
// Makes a user model file from example pictures: one nearest-centroid class
// per label, its centroid the mean of its pictures' features.

#include <string>

struct UserModelRequest {
    std::string examplesDir;  // <examplesDir>/<label>/ holds each class's pictures
    std::string labelsFile;   // UTF-8, one label per line, in class order
    std::string outFile;      // <name>.bin; <name>_labels.txt is written beside it
    int grid = 16;            // features: the picture shrunk to grid x grid
    bool grey = false;
};

bool MakeUserModel(const UserModelRequest& request, std::string& error);
