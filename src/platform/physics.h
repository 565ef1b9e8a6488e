// Rigid-body physics for levels and the menu background, over Chipmunk 7.
//
// The game was written against the older Chipmunk 5 interface, so this header
// keeps those operation names (cpSpaceNew, cpBodyNew, cpSpaceStep, ...) inside
// namespace phys and maps them onto Chipmunk 7. Handles are opaque: nothing
// outside src/platform sees a Chipmunk header.
//
// Coordinates are world units with y pointing down the screen; angles are
// radians; times are seconds.
//
// Input policy. The system Chipmunk is a debug build that aborts the process
// on invalid input, and level files are not trusted, so every value is
// checked here before Chipmunk sees it:
// - creation functions return nullptr for invalid arguments;
// - setters return false and leave the old value for invalid arguments;
// - adding an object that is already in a space, or removing one that is not
//   in this space, does nothing (nullptr / false);
// - numbers must be finite unless a function says otherwise;
// - every function accepts null handles (getters then return zero/null,
//   setters false), so a refused creation cannot crash a later call.
// A space is locked while it steps (inside collision handlers): adding,
// removing, stepping and freeing a space are refused there; freeing a body,
// shape or constraint is postponed to the end of the step.
#pragma once

#include <array>
#include <span>
#include <string>

namespace phys {

// A 2D vector of doubles, the physics library's precision.
struct cpVect {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const cpVect&, const cpVect&) = default;
};

struct cpSpace;       // a simulated world
struct cpBody;        // a rigid body
struct cpShape;       // a collision shape fixed to a body
struct cpConstraint;  // a joint between two bodies

using cpCollisionType = unsigned int;  // 0 is the default type
using cpGroup = unsigned int;          // shapes sharing a non-zero group never collide

// One contact point of a colliding pair.
struct cpContact {
  cpVect n;  // unit normal from the arbiter's shape a towards its shape b
  friend bool operator==(const cpContact&, const cpContact&) = default;
};

// What a collision handler sees of a colliding pair. Shape a always has the
// handler's first collision type (the order given at registration).
struct cpArbiter {
  cpShape* a = nullptr;
  cpShape* b = nullptr;
  int numContacts = 0;
  std::array<cpContact, 2> contacts{};
  friend bool operator==(const cpArbiter&, const cpArbiter&) = default;
};

// Called on every step in which shapes of the handler's two types touch,
// sensors included. Returning false ignores the contact for this step.
using cpCollisionBeginFunc = bool (*)(const cpArbiter& arb, cpSpace* space, void* data);

// Start-up -------------------------------------------------------------------

// Readies the library once per process, swallowing the debug banner that the
// system Chipmunk prints on the first space. False if no space could be made.
bool cpInitChipmunk();
// Why cpInitChipmunk failed; empty after a success.
std::string cpGetError();

// Spaces -----------------------------------------------------------------------

// A new empty space (calls cpInitChipmunk first if nobody did). Overlapping
// shapes are pushed apart by 10 % of their overlap per 1 ms step.
cpSpace* cpSpaceNew();
// Removes and frees every constraint, shape and body in the space. Static
// bodies that were never added themselves stay with their owner.
bool cpSpaceFreeChildren(cpSpace* space);
// Frees the space. Whatever is still in it is taken out first (not freed),
// so its owner may free it later.
bool cpSpaceFree(cpSpace* space);

int cpSpaceGetIterations(const cpSpace* space);
bool cpSpaceSetIterations(cpSpace* space, int iterations);  // at least 1
// Chipmunk 7 has no elastic iterations; the setting is accepted and ignored.
void cpSpaceSetElasticIterations(cpSpace* space, int iterations);
cpVect cpSpaceGetGravity(const cpSpace* space);
bool cpSpaceSetGravity(cpSpace* space, cpVect gravity);
// Fraction of velocity kept per second, from 0 to 1 (more would feed the
// bodies energy until their speed overflows).
double cpSpaceGetDamping(const cpSpace* space);
bool cpSpaceSetDamping(cpSpace* space, double damping);

// Registers the handler for the unordered pair of types; registering (b, a)
// after (a, b) replaces it and the new order decides which shape is a.
void cpSpaceAddCollisionHandler(cpSpace* space, cpCollisionType a, cpCollisionType b,
                                cpCollisionBeginFunc begin, void* data);
// Advances the space by dt > 0 seconds, calling handlers during the step.
bool cpSpaceStep(cpSpace* space, double dt);
// Updates the collision index after static bodies were moved by hand; asked
// for inside a step (a touch script moving an object), it runs when the step ends.
bool cpSpaceRehashStatic(cpSpace* space);

// Each returns its argument, or nullptr when refused.
cpBody* cpSpaceAddBody(cpSpace* space, cpBody* body);
cpShape* cpSpaceAddShape(cpSpace* space, cpShape* shape);
cpShape* cpSpaceAddStaticShape(cpSpace* space, cpShape* shape);
cpConstraint* cpSpaceAddConstraint(cpSpace* space, cpConstraint* constraint);

// Each returns false when the object is not in this space or it is stepping.
// Removing a body leaves its shapes and constraints where they are.
bool cpSpaceRemoveBody(cpSpace* space, cpBody* body);
bool cpSpaceRemoveShape(cpSpace* space, cpShape* shape);
bool cpSpaceRemoveStaticShape(cpSpace* space, cpShape* shape);
bool cpSpaceRemoveConstraint(cpSpace* space, cpConstraint* constraint);

// Bodies -----------------------------------------------------------------------

// Mass and moment both +infinity make a static body (the game never adds
// one; its shapes go in as static shapes). Otherwise the mass must be finite and
// positive; the moment positive, +infinity (the body never rotates) or 0,
// which stands for "set later with cpBodySetMoment" and means no rotation
// until then.
cpBody* cpBodyNew(double mass, double moment);
// Takes the body, its shapes and its constraints out of their space, then
// frees the body (its shapes and constraints stay with their owners).
void cpBodyFree(cpBody* body);

double cpBodyGetMoment(const cpBody* body);
bool cpBodySetMoment(cpBody* body, double moment);  // dynamic bodies; > 0 or +infinity
cpVect cpBodyGetPos(const cpBody* body);
bool cpBodySetPos(cpBody* body, cpVect pos);
cpVect cpBodyGetVel(const cpBody* body);
bool cpBodySetVel(cpBody* body, cpVect vel);
double cpBodyGetAngle(const cpBody* body);
bool cpBodySetAngle(cpBody* body, double angle);
double cpBodyGetAngVel(const cpBody* body);
bool cpBodySetAngVel(cpBody* body, double angVel);
// The game element the body belongs to.
void* cpBodyGetUserData(const cpBody* body);
void cpBodySetUserData(cpBody* body, void* data);

// Moment of a ring with inner and outer radii r1 and r2 centred at offset.
double cpMomentForCircle(double mass, double r1, double r2, cpVect offset);
// Moment of a convex polygon of either winding; NaN for fewer than three
// vertices or no area.
double cpMomentForPoly(double mass, std::span<const cpVect> verts, cpVect offset);

// Shapes -----------------------------------------------------------------------

// True for a convex polygon of at least three finite vertices with no
// repeated or backtracking vertex and a non-zero area. Either winding is
// accepted: the game's outlines have a non-positive shoelace area, which
// cpPolyShapeNew turns around for Chipmunk 7.
bool IsValidPolygon(std::span<const cpVect> verts);

// Radius > 0.
cpShape* cpCircleShapeNew(cpBody* body, double radius, cpVect offset);
// Distinct ends, radius >= 0.
cpShape* cpSegmentShapeNew(cpBody* body, cpVect a, cpVect b, double radius);
// Vertices in body coordinates, moved by offset; see IsValidPolygon.
cpShape* cpPolyShapeNew(cpBody* body, std::span<const cpVect> verts, cpVect offset);
// Takes the shape out of its space, then frees it.
void cpShapeFree(cpShape* shape);

cpBody* cpShapeGetBody(const cpShape* shape);
double cpShapeGetElasticity(const cpShape* shape);
bool cpShapeSetElasticity(cpShape* shape, double elasticity);  // >= 0
double cpShapeGetFriction(const cpShape* shape);
bool cpShapeSetFriction(cpShape* shape, double friction);  // >= 0
// A sensor reports contacts to handlers but exerts no force.
bool cpShapeGetSensor(const cpShape* shape);
void cpShapeSetSensor(cpShape* shape, bool sensor);
cpCollisionType cpShapeGetCollisionType(const cpShape* shape);
void cpShapeSetCollisionType(cpShape* shape, cpCollisionType type);
cpGroup cpShapeGetGroup(const cpShape* shape);
void cpShapeSetGroup(cpShape* shape, cpGroup group);

// Constraints ------------------------------------------------------------------

// Two different bodies, not both static, that keep the world point pivot in
// common. A stretched joint wins back 10 % of its stretch per 1 ms step.
cpConstraint* cpPivotJointNew(cpBody* a, cpBody* b, cpVect pivot);
// Takes the constraint out of its space, then frees it.
void cpConstraintFree(cpConstraint* constraint);

}  // namespace phys
