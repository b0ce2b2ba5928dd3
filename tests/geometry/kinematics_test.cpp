#include "geometry/kinematics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "document/document.h"

namespace velmora {
namespace {

Pose Motors(int a, int b, int c, int d, int e) {
  Pose p;
  p.motorValues = {static_cast<int16_t>(a), static_cast<int16_t>(b), static_cast<int16_t>(c),
                   static_cast<int16_t>(d), static_cast<int16_t>(e)};
  return p;
}

std::array<int16_t, 5> Inverse(const ArmGeometry& g, double x, double y, double z, double rot,
                               double hand, Pose p = Pose{}) {
  InverseKinematics(g, x, y, z, rot, hand, p);
  return p.motorValues;
}

TEST(ForwardKinematics, AllZeroMotorsStretchTheArmAlongX) {
  Geometry geo;
  double x, y, z, rot, hand;
  ForwardKinematics(geo.Get(), Pose{}, &x, &y, &z, &rot, &hand);
  EXPECT_DOUBLE_EQ(x, 98);
  EXPECT_DOUBLE_EQ(y, 0);
  EXPECT_DOUBLE_EQ(z, 0);
  EXPECT_DOUBLE_EQ(rot, 0);
  EXPECT_DOUBLE_EQ(hand, 20);
}

TEST(ForwardKinematics, OutputsAreOptionalAndIndependent) {
  Geometry geo;
  const Pose p = Motors(900, -450, 1485, 30, -318);
  double z = -1, rot = -1;
  ForwardKinematics(geo.Get(), p, nullptr, nullptr, &z, &rot, nullptr);
  EXPECT_NEAR(z, 1485 / 1485.4 * 35, 1e-12);
  EXPECT_DOUBLE_EQ(rot, 48.0);  // (900 - 450 + 30) / 10
  double hand = 0;
  ForwardKinematics(geo.Get(), p, nullptr, nullptr, nullptr, nullptr, &hand);
  EXPECT_NEAR(hand, 318 / 318.3 * 10 + 20, 1e-12);
}

TEST(ForwardKinematics, PlacementMovesAndTurnsTheBase) {
  Geometry geo;
  geo.SetCoordinateSystem(10, 20, 1.5707963);
  double x, y;
  ForwardKinematics(geo.Get(), Pose{}, &x, &y, nullptr, nullptr, nullptr);
  EXPECT_NEAR(x, 10, 1e-4);
  EXPECT_NEAR(y, 118, 1e-4);
  // Results are single-precision values widened to double.
  EXPECT_EQ(x, static_cast<double>(static_cast<float>(x)));
  EXPECT_EQ(y, static_cast<double>(static_cast<float>(y)));
}

TEST(InverseKinematics, ElbowSideFromArmSignForAFreshPose) {
  Geometry geo;
  EXPECT_EQ(Inverse(geo.Get(), 0, 0, 0, 0, 20), (std::array<int16_t, 5>{-672, 1344, 0, -672, 0}));
  geo.SetArmSign(1);
  EXPECT_EQ(Inverse(geo.Get(), 0, 0, 0, 0, 20), (std::array<int16_t, 5>{672, -1344, 0, 672, 0}));
}

TEST(InverseKinematics, ExistingElbowSideIsKept) {
  Geometry geo;  // ArmSign 0 would choose a positive ID2
  const auto m = Inverse(geo.Get(), 20, 30, 0, 0, 20, Motors(0, -5, 0, 0, 0));
  EXPECT_LT(m[1], 0);
  const auto p = Inverse(geo.Get(), 20, 30, 0, 0, 20, Motors(0, 5, 0, 0, 0));
  EXPECT_GT(p[1], 0);
  geo.SetArmSign(1);
  const auto q = Inverse(geo.Get(), 20, 30, 0, 0, 20, Motors(0, 5, 0, 0, 0));
  EXPECT_GT(q[1], 0);
}

TEST(InverseKinematics, StretchedBranchAtAndBeyondReach) {
  Geometry geo;
  EXPECT_EQ(Inverse(geo.Get(), 98, 0, 0, 0, 20), (std::array<int16_t, 5>{0, 0, 0, 0, 0}));
  // Far away along +y (arm frame): ID1 points at it, ID2 stays straight.
  const auto m = Inverse(geo.Get(), -62, 500, 0, 12.5, 20);
  EXPECT_EQ(m[0], 900);  // trunc(atan2(500, 0) / 3.1415926 * 1800) = trunc(900.0000097)
  EXPECT_EQ(m[1], 0);
  EXPECT_EQ(m[3], -900 + 125);
}

TEST(InverseKinematics, HeightHandAndLimits) {
  Geometry geo;
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, 10, 0, 20)[2], 424);
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, 35, 0, 20)[2], 1485);
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, 1000, 0, 20)[2], 1500);
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, -1000, 0, 20)[2], -1500);
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, 0, 0, 30)[4], -318);
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, 0, 0, 300)[4], -350);
  // The wrist is limited too, after ID1 and ID2.
  EXPECT_EQ(Inverse(geo.Get(), 50, 50, 0, 1000, 20)[3], 1500);
  geo.SetMotorLimits({100, 100, 100, 100, 100});
  const auto m = Inverse(geo.Get(), 0, 0, 20, 0, 20);
  EXPECT_EQ(m[0], -100);
  EXPECT_EQ(m[1], 100);
  EXPECT_EQ(m[2], 100);
  EXPECT_EQ(m[3], -100 - 0 + 100);  // -ID2 - 0 - ID1 with the limited values
}

TEST(InverseKinematics, UndefinedTargetsGiveDefinedValues) {
  Geometry geo;
  // On the shoulder axis: folded along +x, ID2 as far as its limit allows.
  auto m = Inverse(geo.Get(), -62, 0, 0, 0, 20);
  EXPECT_EQ(m[0], 0);
  EXPECT_EQ(m[1], 1400);
  geo.SetArmSign(1);
  m = Inverse(geo.Get(), -62, 0, 0, 0, 20);
  EXPECT_EQ(m[1], -1400);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  m = Inverse(geo.Get(), nan, nan, nan, nan, nan);
  EXPECT_EQ(m, (std::array<int16_t, 5>{0, 0, 0, 0, 0}));
  m = Inverse(geo.Get(), 0, 0, inf, -inf, inf);
  EXPECT_EQ(m[2], 1500);
  EXPECT_EQ(m[3], -1500);
  EXPECT_EQ(m[4], -350);
  m = Inverse(geo.Get(), inf, 0, 0, 0, 20);
  EXPECT_EQ(m[1], 0);  // an infinitely far target stretches the arm
  m = Inverse(geo.Get(), 1e300, -1e300, 1e300, 1e300, -1e300);
  for (int16_t v : m) EXPECT_LE(std::abs(v), 1500);
}

// Inverse then forward returns to the target wherever it is reachable, in every placement. The
// targets are positions the arm can take exactly (forward kinematics of whole motor values). The
// inverse truncates angles to whole tenths of a degree, so a result like 1349.9999 becomes 1349:
// each motor may land one count short, which moves the tip by up to 0.28 mm for ID1 and 0.14 mm for ID2. Within that the
// round trip must agree, and the motor values must come back to within one count.
TEST(Kinematics, RoundTripOverReachableGrid) {
  const double rotations[] = {0, 1.5707963, 3.1415926, 270.0 / 180 * 3.1415926};
  const double offsets[][2] = {{0, 0}, {10, 20}, {-35.5, 42.25}, {100, -80}};
  Geometry geo;
  int checked = 0;
  double worst = 0;
  for (double rot : rotations) {
    for (const auto& off : offsets) {
      geo.SetCoordinateSystem(off[0], off[1], rot);
      for (int id1 = -1350; id1 <= 1350; id1 += 75) {
        for (int id2 = -1350; id2 <= 1350; id2 += 75) {
          if (std::abs(id2) < 30) continue;  // the straight arm has no elbow side to keep
          Pose target;
          target.motorValues = {static_cast<int16_t>(id1), static_cast<int16_t>(id2), 0, 0, 0};
          geo.SetArmSign(id2 < 0 ? 1 : 0);
          const ArmGeometry g = geo.Get();
          double tx, ty;
          ForwardKinematics(g, target, &tx, &ty, nullptr, nullptr, nullptr);
          Pose p;
          InverseKinematics(g, tx, ty, 5, 10, 25, p);
          // The same point can need a shoulder angle beyond the motor limit on the other turn.
          if (std::abs(p.motorValues[0]) >= 1400 || std::abs(p.motorValues[1]) >= 1400) continue;
          double x, y;
          ForwardKinematics(g, p, &x, &y, nullptr, nullptr, nullptr);
          const double err = std::hypot(x - tx, y - ty);
          worst = std::max(worst, err);
          ASSERT_LT(err, 0.45) << "rot " << rot << " motors " << id1 << "," << id2;
          ASSERT_LE(std::abs(p.motorValues[0] - id1), 1) << "rot " << rot << " " << id1;
          ASSERT_LE(std::abs(p.motorValues[1] - id2), 1) << "rot " << rot << " " << id2;
          if (p.motorValues[0] == id1 && p.motorValues[1] == id2) {
            ASSERT_LT(err, 0.1) << "rot " << rot << " motors " << id1 << "," << id2;
          }
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 10000);
  RecordProperty("worst_mm", std::to_string(worst));
}

// Any reachable target, not only exact arm positions: the error stays within what whole tenths of
// a degree can resolve (two links of 80 mm, each off by less than one count).
TEST(Kinematics, RoundTripOverUserGridWithinMotorResolution) {
  const double rotations[] = {0, 1.5707963, 3.1415926, 270.0 / 180 * 3.1415926};
  Geometry geo;
  int checked = 0;
  for (double rot : rotations) {
    geo.SetCoordinateSystem(-20, 15, rot);
    const ArmGeometry g = geo.Get();
    for (double ax = -140; ax <= 98; ax += 6.5) {
      for (double ay = -150; ay <= 150; ay += 6.5) {
        const double r = std::hypot(ax + 62, ay);
        if (r < 20 || r > 150) continue;
        const Vec3f w =
            TransformCoord({static_cast<float>(ax), static_cast<float>(ay), 0}, g.armToWorld);
        Pose p;
        InverseKinematics(g, w.x, w.y, 0, 0, 20, p);
        if (std::abs(p.motorValues[0]) >= 1400 || std::abs(p.motorValues[1]) >= 1400) continue;
        double x, y;
        ForwardKinematics(g, p, &x, &y, nullptr, nullptr, nullptr);
        ASSERT_LT(std::hypot(x - w.x, y - w.y), 0.45) << "rot " << rot << " at " << ax << "," << ay;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 1000);
}

TEST(Kinematics, OutOfReachTargetsGoToTheStretchedArm) {
  Geometry geo;
  geo.SetCoordinateSystem(30, -10, 3.1415926);
  const ArmGeometry g = geo.Get();
  for (double angle = -3; angle <= 3; angle += 0.25) {
    const Vec3f target = TransformCoord(
        {static_cast<float>(-62 + 400 * std::cos(angle)), static_cast<float>(400 * std::sin(angle)), 0},
        g.armToWorld);
    Pose p;
    InverseKinematics(g, target.x, target.y, 0, 0, 20, p);
    EXPECT_EQ(p.motorValues[1], 0);
    if (std::abs(angle) < 2.4) {  // within the ID1 limit the arm points at the target
      EXPECT_NEAR(p.motorValues[0], angle / 3.1415926 * 1800, 1.01);
    }
  }
}

TEST(ArcCentre, MidpointAndMirroredCentres) {
  const Point2 mid = ArcCentre(0, 0, 10, 0, 2);  // radius shorter than the half chord
  EXPECT_NEAR(mid.x, 5, 1e-9);
  EXPECT_NEAR(mid.y, 0, 1e-6);
  const Point2 zero = ArcCentre(0, 0, 10, 0, 0);
  EXPECT_NEAR(zero.x, 5, 1e-9);
  EXPECT_NEAR(zero.y, 0, 1e-6);

  const Point2 left = ArcCentre(0, 0, 10, 0, 13);
  const Point2 right = ArcCentre(0, 0, 10, 0, -13);
  EXPECT_NEAR(left.x, 5, 1e-6);
  EXPECT_NEAR(left.y, 12, 1e-6);  // left of the direction of travel
  EXPECT_NEAR(right.x, 5, 1e-6);
  EXPECT_NEAR(right.y, -12, 1e-6);
  for (const Point2& c : {left, right}) {
    EXPECT_NEAR(std::hypot(c.x, c.y), 13, 1e-6);
    EXPECT_NEAR(std::hypot(c.x - 10, c.y), 13, 1e-6);
  }
  // A degenerate chord gives the start point, not NaN.
  const Point2 same = ArcCentre(3, 4, 3, 4, 0);
  EXPECT_DOUBLE_EQ(same.x, 3);
  EXPECT_DOUBLE_EQ(same.y, 4);
}

TEST(ArcGuide, FollowsTheCurrentArcPose) {
  Geometry geo;
  Document doc;
  Pose a;
  a.x = 1.1;
  a.y = 2.2;
  Pose b;
  b.x = 11.1;
  b.y = 2.2;
  b.interpolation = kArc;
  b.arcRadius = -13;
  doc.motion.Replace({a, b}, 1);
  UpdateArcGuide(geo, doc.motion);
  ArcGuide guide = geo.GetArcGuide();
  ASSERT_TRUE(guide.on);
  EXPECT_NEAR(guide.centreX, 6.1, 1e-6);
  EXPECT_NEAR(guide.centreY, 2.2 - 12, 1e-6);
  EXPECT_EQ(guide.startX, static_cast<double>(1.1f));
  EXPECT_EQ(guide.endY, static_cast<double>(2.2f));

  doc.motion.SetCurrentIndex(0);  // no previous Pose
  UpdateArcGuide(geo, doc.motion);
  EXPECT_FALSE(geo.GetArcGuide().on);
  b.interpolation = kLinear;
  doc.motion.Replace({a, b}, 1);
  UpdateArcGuide(geo, doc.motion);
  EXPECT_FALSE(geo.GetArcGuide().on);
}

TEST(CoordinateSystem, ClawPositionIsLimitedOnEveryStore) {
  Geometry geo;
  EXPECT_EQ(geo.Coords().clawPosition, 1);
  geo.SetClawPosition(2);
  EXPECT_EQ(geo.Coords().clawPosition, 2);
  geo.SetClawPosition(4);
  EXPECT_EQ(geo.Coords().clawPosition, 3);
  geo.SetClawPosition(-1);
  EXPECT_EQ(geo.Coords().clawPosition, 3);
}

TEST(CoordinateSystem, TransformsAreInversesOfEachOther) {
  Geometry geo;
  geo.SetCoordinateSystem(-12.5, 40, 3.1415926);
  const ArmGeometry g = geo.Get();
  const Vec3f p{33.25f, -7.5f, 0};
  const Vec3f a = TransformCoord(TransformCoord(p, g.worldToArm), g.armToWorld);
  EXPECT_NEAR(a.x, p.x, 1e-4);
  EXPECT_NEAR(a.y, p.y, 1e-4);
  const Vec3f b = TransformCoord(TransformCoord(p, g.baseDrawTransform), g.baseDrawInverse);
  EXPECT_NEAR(b.x, p.x, 1e-4);
  EXPECT_NEAR(b.y, p.y, 1e-4);
  // The draw transform turns by -rotation and moves by (a, -b).
  const Vec3f o = TransformCoord({0, 0, 0}, g.baseDrawTransform);
  EXPECT_FLOAT_EQ(o.x, -12.5f);
  EXPECT_FLOAT_EQ(o.y, -40.0f);
  // World to arm: the user's origin offset lands on the arm origin.
  const Vec3f origin = TransformCoord({-12.5f, 40.0f, 0}, g.worldToArm);
  EXPECT_NEAR(origin.x, 0, 1e-5);
  EXPECT_NEAR(origin.y, 0, 1e-5);
}

// Readers on other threads always see a whole placement: the offsets and the transforms of one
// SetCoordinateSystem call together.
TEST(CoordinateSystem, ConcurrentReadersNeverSeeATornPlacement) {
  Geometry geo;
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const ArmGeometry g = geo.Get();
        // Every write below uses offset X == offset Y; the origin must map to (X, Y).
        const Vec3f o = TransformCoord({0, 0, 0}, g.armToWorld);
        if (g.coords.centreOffsetX != g.coords.centreOffsetY ||
            std::fabs(o.x - g.coords.centreOffsetX) > 1e-3 ||
            std::fabs(o.y - g.coords.centreOffsetY) > 1e-3) {
          torn.fetch_add(1);
        }
        Pose p;
        InverseKinematics(g, 10, 10, 0, 0, 20, p);
      }
    });
  }
  for (int i = 0; i < 2000; ++i) geo.SetCoordinateSystem(i % 50, i % 50, (i % 4) * 1.5707963);
  stop.store(true);
  for (auto& t : readers) t.join();
  EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace velmora
