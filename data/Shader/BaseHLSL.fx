# Base lighting for static scenery and skinned characters: one directional
# key light with ambient fill, Blinn-Phong highlights, texture modulate, and
# the device's linear fog.
parameter float4x4 WorldViewProjection
parameter float4x4 ViewProjection
parameter float4x4 WorldMatrixArray[26]
parameter float4 MaterialDiffuse
parameter float4 MaterialAmbient
parameter float4 Specular
parameter float4 MaterialSpecular
parameter float MaterialPower
parameter int CurNumBones
parameter texture MeshTexture
sampler MeshTexture linear wrap

glsl
// Direction towards the sun, in world space; the camera is not known here,
// so highlights use a fixed viewer high above and behind.
const vec3 kToLight = vec3(0.3713907, 0.7427814, -0.5570860);
const vec3 kToViewer = vec3(0.0, 0.7071068, -0.7071068);
vec4 MeshColour(vec2 uv) {
    return MeshTexture_Present ? texture(MeshTexture, uv) : vec4(1.0);
}
float Highlight(vec3 normal, vec4 specular, float power) {
    vec3 halfway = normalize(kToLight + kToViewer);
    float facing = max(dot(normal, kToLight), 0.0);
    return facing > 0.0 ? pow(max(dot(normal, halfway), 0.0), max(power, 1.0)) * specular.a : 0.0;
}
end

technique StaticBasic
  pass P0
    vertex
      out vec2 v_uv;
      out vec3 v_normal;
      out float v_depth;
      void main() {
          vec4 clip = WorldViewProjection * vec4(a_Position.xyz, 1.0);
          v_uv = a_TexCoord;
          // Scenery is placed without rotation, so model normals serve.
          v_normal = a_Normal;
          v_depth = clip.w;
          gl_Position = D3DClipToGL(clip);
      }
    end
    fragment
      in vec2 v_uv;
      in vec3 v_normal;
      in float v_depth;
      void main() {
          vec3 n = length(v_normal) > 0.0 ? normalize(v_normal) : vec3(0.0, 1.0, 0.0);
          float light = abs(dot(n, kToLight));
          vec4 texel = MeshColour(v_uv);
          vec3 colour = texel.rgb * (MaterialAmbient.rgb * 0.75 + MaterialDiffuse.rgb * 0.35 * light);
          colour += Specular.rgb * Highlight(n, vec4(Specular.rgb, 1.0), MaterialPower) * 0.5;
          FragColor = vec4(D3DApplyFog(colour, v_depth), texel.a * MaterialDiffuse.a);
      }
    end
  end
end

technique SkinMeshBase
  pass P0
    vertex
      out vec2 v_uv;
      out vec3 v_normal;
      out float v_depth;
      void main() {
          ivec4 bones = ivec4(a_BlendIndices.zyxw * 255.0 + 0.5);
          float weights[4] = float[4](a_BlendWeight.x, a_BlendWeight.y, a_BlendWeight.z, a_BlendWeight.w);
          vec3 position = vec3(0.0);
          vec3 normal = vec3(0.0);
          float last = 1.0;
          for (int i = 0; i < CurNumBones && i < 3; ++i) {
              mat4 bone = WorldMatrixArray[bones[i]];
              position += (bone * vec4(a_Position.xyz, 1.0)).xyz * weights[i];
              normal += mat3(bone) * a_Normal * weights[i];
              last -= weights[i];
          }
          mat4 bone = WorldMatrixArray[bones[min(CurNumBones, 3)]];
          position += (bone * vec4(a_Position.xyz, 1.0)).xyz * last;
          normal += mat3(bone) * a_Normal * last;
          vec4 clip = ViewProjection * vec4(position, 1.0);
          v_uv = a_TexCoord;
          v_normal = normal;
          v_depth = clip.w;
          gl_Position = D3DClipToGL(clip);
      }
    end
    fragment
      in vec2 v_uv;
      in vec3 v_normal;
      in float v_depth;
      void main() {
          vec3 n = normalize(v_normal);
          float light = max(dot(n, kToLight), 0.0);
          vec4 texel = MeshColour(v_uv);
          vec3 colour = texel.rgb * (MaterialAmbient.rgb + 0.35 + MaterialDiffuse.rgb * 0.75 * light);
          colour += MaterialSpecular.rgb * Highlight(n, vec4(1.0), MaterialPower);
          FragColor = vec4(D3DApplyFog(min(colour, vec3(1.0)), v_depth), texel.a * MaterialDiffuse.a);
      }
    end
  end
end
