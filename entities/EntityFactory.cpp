#include "entities/EntityFactory.h"

#include "entities/Camera.h"
#include "entities/Marker.h"
#include "entities/Ocean.h"
#include "entities/PalmTree.h"
#include "entities/Sky.h"
#include "entities/Sun.h"
#include "entities/Tank.h"
#include "entities/UnderwaterTint.h"

std::shared_ptr<Entity> createEntity(int32_t type) {
    switch (type) {
    case PlainEntityType:
        return std::make_shared<Entity>();
    case OceanType:
        return std::make_shared<Ocean>();
    case PalmTreeType:
        return std::make_shared<PalmTree>();
    case UnderwaterTintType:
        return std::make_shared<UnderwaterTint>();
    case SunType:
        return std::make_shared<Sun>();
    case CameraType:
        return std::make_shared<Camera>();
    case MarkerType:
        return std::make_shared<Marker>();
    case TankType:
        return std::make_shared<Tank>();
    case SkyType:
        return std::make_shared<Sky>();
    default:
        // RocketType (8) never comes from here: only a tank's pipe fires one.
        return nullptr;
    }
}
