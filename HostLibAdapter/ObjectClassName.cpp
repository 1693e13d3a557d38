#include "HostLibAdapter/ObjectClassName.h"

#include <array>

namespace {

// The object detection model's 80 classes, in its index order.
constexpr std::array<const char*, 80> kNames = {
    "Person",         "Bicycle",      "Car",           "Moto Bike",     "Aeroplane",      "Bus",
    "Train",          "Truck",        "Boat",          "Traffice Light", "Fire Hydrant",  "Stop Sign",
    "Parking Meter",  "Bench",        "Bird",          "Cat",           "Dog",            "Horse",
    "Sheep",          "Cow",          "Elephant",      "Bear",          "Zebra",          "Giraffe",
    "Backpack",       "Umbrella",     "Handbag",       "Tie",           "Suitcase",       "Frisbee",
    "Skis",           "snowboard",    "Sports Ball",   "Kite",          "Baseball Bat",   "Baseball Glove",
    "Skateboard",     "Surfboard",    "Tennis Racket", "Bottle",        "Wine Glass",     "Cup",
    "Fork",           "Knife",        "Spoon",         "Bowl",          "Banana",         "Apple",
    "Sandwich",       "Orange",       "Broccoli",      "Carrot",        "Hot Dog",        "Pizza",
    "Donut",          "Cake",         "Chair",         "Sofa",          "Pottedplant",    "Bed",
    "Diningtable",    "Toilet",       "TV Monitor",    "Laptop",        "Mouse",          "Remote",
    "Keyboard",       "Cell Phone",   "Microwave",     "Oven",          "Toaster",        "Sink",
    "Refrigerator",   "Book",         "Clock",         "Vase",          "Scissors",       "Teddy Bear",
    "Hair Drier",     "Toothbrush",
};

}  // namespace

QString ObjectClassName(int index)
{
    if (static_cast<unsigned>(index) >= kNames.size())
        return QString();
    return QString::fromUtf8(kNames[static_cast<std::size_t>(index)]);
}
